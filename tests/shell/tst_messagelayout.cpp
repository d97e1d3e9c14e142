#include "platform/text.h"
#include "shell/messagelayout.h"

#include <doctest/doctest.h>
#include <string>
#include <string_view>

namespace doctest {
template<>
struct StringMaker<std::u16string>
{
    static String convert(const std::u16string &text)
    {
        std::u16string shown;
        for (const char16_t c : text)
            shown += c == u'\r' ? std::u16string(u"\\r") : std::u16string(1, c);
        return ('"' + platform::toUtf8(shown) + '"').c_str();
    }
};
} // namespace doctest

namespace {

// One pixel for each UTF-16 unit: a surrogate pair is two wide.
int unitWidth(std::u16string_view text)
{
    return int(text.size());
}

struct BreakRow
{
    const char *name;
    std::u16string_view text;
    int maxWidth;
    std::u16string_view broken;
};

} // namespace

TEST_CASE("long lines are broken after a separator, a space, or anywhere")
{
    const BreakRow rows[] = {
        {"short lines stay as they are, blanks and empty lines too",
         u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      "
         u"\r一度も起動していない可能性があります。\r\r中止します・・・・・",
         40,
         u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      "
         u"\r一度も起動していない可能性があります。\r\r中止します・・・・・"},
        {"a line too wide only by its trailing blanks", u"ORVETAを      ", 10, u"ORVETAを      "},
        {"a line exactly as wide as the box", u"C:\\ORVETA\\data", 14, u"C:\\ORVETA\\data"},
        {"a Windows path after its backslashes", u"C:\\ORVETA\\data\\200406orveta.mdb", 12,
         u"C:\\ORVETA\\\rdata\\\r200406orveta\r.mdb"},
        {"a Linux path after its slashes", u"/home/user/orveta/data/200406orveta.mdb", 21,
         u"/home/user/orveta/\rdata/200406orveta.mdb"},
        {"the last separator that fits wins", u"ab/cd/ef/ghijkl", 9, u"ab/cd/ef/\rghijkl"},
        {"after the space before the reason",
         u"C:\\ORVETA\\data\\200406orveta.mdb : アクセスが拒否されました。", 36,
         u"C:\\ORVETA\\data\\200406orveta.mdb : \rアクセスが拒否されました。"},
        {"Japanese without separators anywhere", u"勤務データの削除中にエラーが発生しました。", 8,
         u"勤務データの削除\r中にエラーが発生\rしました。"},
        {"a surrogate pair stays whole", u"𠀋𠀋𠀋", 3, u"𠀋\r𠀋\r𠀋"},
        {"a surrogate pair after a separator", u"ab\\𠀋𠀋", 4, u"ab\\\r𠀋𠀋"},
        {"a character wider than the box stays whole", u"𠀋", 1, u"𠀋"},
        {"the lines around a broken one stay, CRs and all",
         u"エラー\r\rC:\\ORVETA\\data\\200406orveta.mdb\r\r中止します\r", 16,
         u"エラー\r\rC:\\ORVETA\\data\\\r200406orveta.mdb\r\r中止します\r"},
    };
    for (const BreakRow &row : rows) {
        INFO(std::string(row.name));
        CHECK(shell::breakLongLines(row.text, row.maxWidth, unitWidth)
              == std::u16string(row.broken));
    }
}

// A folder name of 300 characters without a separator, in the line of an
// error message: every piece fits, and taking the inserted breaks out gives
// the message back.
TEST_CASE("a 300-character name is cut into pieces that fit, none lost")
{
    const std::u16string name(300, u'a');
    const std::u16string line = u"C:\\" + name + u"\\data\\200406orveta.mdb : 共有違反です。";
    const std::u16string broken = shell::breakLongLines(line, 100, unitWidth);

    std::u16string joined;
    std::size_t pieces = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(broken.find(u'\r', start), broken.size());
        CHECK(end - start <= 100);
        joined += broken.substr(start, end - start);
        ++pieces;
        if (end == broken.size())
            break;
        start = end + 1;
    }
    CHECK(joined == line);
    CHECK(pieces == 5);
    CHECK(broken.substr(0, 4) == u"C:\\\r");
}
