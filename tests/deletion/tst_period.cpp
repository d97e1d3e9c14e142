// The three forms of a month, and the walk over a range of months.

#include "deletion/period.h"
#include "tests/support/u16text.h"

#include <doctest/doctest.h>
#include <string>
#include <vector>

using namespace deletion;

// The month of a date as the lists preset it, its period text and its code.
TEST_CASE("a date's month as the lists preset it, its text and its code")
{
    const struct
    {
        const char *name;
        int year, month;
        std::u16string_view text;
        int code;
    } rows[] = {
        {"inside", 2004, 6, u"2004年06月度", 200406},
        {"two-digit month", 2010, 10, u"2010年10月度", 201010},
        {"first day listed", 2002, 1, u"2002年01月度", 200201},
        {"inside the first year", 2002, 6, u"2002年06月度", 200206},
        {"inside the last year", 2030, 6, u"2030年06月度", 203006},
        {"last day listed", 2030, 12, u"2030年12月度", 203012},
        {"year before", 2001, 12, u"2002年01月度", 200201},
        {"long before", 1999, 7, u"2002年01月度", 200201},
        {"year after", 2031, 1, u"2030年12月度", 203012},
        {"five-digit year", 10000, 1, u"2030年12月度", 203012},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const std::u16string text(row.text);
        CHECK(presetPeriodText({row.year, row.month, 15}) == text);
        CHECK(periodText(row.code / 100, row.code % 100) == text);
        const std::string code = std::to_string(row.code);
        CHECK(periodCode(text) == std::u16string(code.begin(), code.end()));
        CHECK(codeValue(periodCode(text)) == row.code);
    }
}

TEST_CASE("the walk yields the months of a range and counts every value it visits")
{
    std::vector<int> listed; // the whole list the window offers, as codes
    for (const std::u16string &text : periodList())
        listed.push_back(codeValue(periodCode(text)));
    const struct
    {
        const char *name;
        int start, end;
        int stopAt; // the yield refuses to go on after this value
        int visited;
        std::vector<int> yielded;
    } rows[] = {
        {"across a year", 200411, 200502, 0, 92, {200411, 200412, 200501, 200502}},
        {"whole list", 200201, 203012, 0, 2812, listed},
        {"one month", 200406, 200406, 0, 1, {200406}},
        {"year boundary", 200412, 200501, 0, 90, {200412, 200501}},
        {"start above end", 200502, 200411, 0, 0, {}},
        {"stopped", 200411, 200502, 200501, 91, {200411, 200412, 200501}},
    };
    CHECK(listed.size() == 348);
    for (const auto &row : rows) {
        CAPTURE(row.name);
        std::vector<int> seen;
        const int count = walkRange(row.start, row.end, [&](int value) {
            seen.push_back(value);
            return value != row.stopAt;
        });
        CHECK(seen == row.yielded);
        CHECK(count == row.visited);
    }
}

TEST_CASE("a month's data file is named by its code")
{
    const struct
    {
        int code;
        std::u16string_view name;
    } rows[] = {
        {200406, u"200406orveta.mdb"},
        {203012, u"203012orveta.mdb"},
        {99912, u"99912orveta.mdb"},
        {1000001, u"1000001orveta.mdb"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.code);
        CHECK(dataFileName(row.code) == std::u16string(row.name));
    }
}
