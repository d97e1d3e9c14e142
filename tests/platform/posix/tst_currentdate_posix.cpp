// The month the lists are preset to is the user's local one: near midnight
// on the first of a month, UTC's is another.

#include "deletion/period.h"
#include "platform/currentdate.h"
#include "tests/support/environment.h"
#include "tests/support/skip.h"
#include "tests/support/u16text.h"

#include <ctime>
#include <doctest/doctest.h>
#include <filesystem>
#include <string>

namespace {

std::time_t utcMoment(int year, int month, int day, int hour, int minute)
{
    std::tm utc = {};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    return ::timegm(&utc);
}

} // namespace

TEST_CASE("the lists are preset to the local month at the moment")
{
    for (const char *zone : {"Asia/Tokyo", "America/New_York"})
        if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + zone))
            SKIP_TEST("the time zone data is missing (package tzdata)");
    const struct
    {
        const char *name;
        const char *zone;
        std::time_t moment;
        platform::CalendarDate date;
        std::u16string_view preset;
    } rows[] = {
        {"Tokyo, 00:30 on the 1st", "Asia/Tokyo", utcMoment(2024, 5, 31, 15, 30), {2024, 6, 1},
         u"2024年06月度"},
        {"Tokyo, a minute before midnight", "Asia/Tokyo", utcMoment(2024, 5, 31, 14, 59),
         {2024, 5, 31}, u"2024年05月度"},
        {"Tokyo, the new year after the list", "Asia/Tokyo", utcMoment(2030, 12, 31, 15, 30),
         {2031, 1, 1}, u"2030年12月度"},
        {"Tokyo, mid-2002", "Asia/Tokyo", utcMoment(2002, 6, 15, 3, 0), {2002, 6, 15},
         u"2002年06月度"},
        // Summer time: UTC-4.
        {"New York, 23:30 on the last day", "America/New_York", utcMoment(2024, 7, 1, 3, 30),
         {2024, 6, 30}, u"2024年06月度"},
        {"UTC", "UTC", utcMoment(2024, 5, 31, 23, 59), {2024, 5, 31}, u"2024年05月度"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const testsupport::ScopedEnvironment zone("TZ", row.zone);
        ::tzset();
        const platform::CalendarDate date = platform::localDate(row.moment);
        CHECK(date.year == row.date.year);
        CHECK(date.month == row.date.month);
        CHECK(date.day == row.date.day);
        CHECK(deletion::presetPeriodText(date) == std::u16string(row.preset));
    }
    ::tzset();
}
