#include "platform/text.h"

#include <cstdio>
#include <doctest/doctest.h>
#include <string>

namespace doctest {
// Every unit beyond ASCII as \uXXXX, so that a lone surrogate shows too.
template<>
struct StringMaker<std::u16string>
{
    static String convert(const std::u16string &text)
    {
        std::string shown = "u\"";
        for (const char16_t c : text) {
            char unit[8];
            std::snprintf(unit, sizeof unit, c < 0x80 ? "%c" : "\\u%04X", unsigned(c));
            shown += unit;
        }
        return (shown + '"').c_str();
    }
};
} // namespace doctest

// A folder name in the settings file reaches the file system byte for byte,
// whether or not it is UTF-8.
TEST_CASE("bytes come back as they went in")
{
    const struct
    {
        const char *name;
        std::string_view bytes;
        std::u16string_view text;
    } rows[] = {
        {"ASCII", "/home/user/orveta", u"/home/user/orveta"},
        {"Japanese", "/srv/勤務データ", u"/srv/勤務データ"},
        {"beyond the basic plane", "/srv/𠮷", u"/srv/\xD842\xDFB7"},
        // The first and the last character of the planes beyond the basic one.
        {"U+10000 and U+10FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         u"\xD800\xDC00\xDBFF\xDFFF"},
        {"an emoji", "😀", u"\xD83D\xDE00"},
        {"a replacement character as written", "caf\xEF\xBF\xBD", u"caf\xFFFD"},
        {"Latin-1 byte", "caf\xE9", u"caf\xDCE9"},
        {"lowest and highest byte", "\x80/\xFF", u"\xDC80/\xDCFF"},
        {"character cut short", "\xE2\x82x", u"\xDCE2\xDC82x"},
        {"character cut short at the end", "ab\xF0\x9F\x98", u"ab\xDCF0\xDC9F\xDC98"},
        {"overlong slash", "\xC0\xAF", u"\xDCC0\xDCAF"},
        {"encoded surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
        {"stray continuation, then a character", "\x80\xC3\xA9", u"\xDC80\xE9"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const std::u16string text = platform::fromUtf8(row.bytes);
        CHECK(text == std::u16string(row.text));
        CHECK(platform::toUtf8(text) == std::string(row.bytes));
        std::string buffer(text.size() * 3, '\0');
        buffer.resize(std::size_t(platform::writeUtf8(text, buffer.data()) - buffer.data()));
        CHECK(buffer == std::string(row.bytes));
    }
}

// Only the surrogates that stand for a byte become bytes; the others have
// no form in the file system's names.
TEST_CASE("other lone surrogates become U+FFFD")
{
    for (const std::u16string_view text : {u"\xD800", u"\xDBFF", u"\xDC7F", u"\xDD00"}) {
        CAPTURE(text.front());
        CHECK(platform::toUtf8(u"a" + std::u16string(text)) == "a\xEF\xBF\xBD");
    }
}

TEST_CASE("a byte that is no UTF-8 counts as one character")
{
    const struct
    {
        std::string_view bytes;
        std::size_t characters;
    } rows[] = {
        {"/\xE9", 2}, {"/\xE2\x82", 3}, {"caf\xE9", 4}, {"/𠮷", 2}, {"/勤務", 3},
    };
    for (const auto &row : rows) {
        CAPTURE(row.bytes);
        CHECK(platform::characterCount(platform::fromUtf8(row.bytes)) == row.characters);
    }
}
