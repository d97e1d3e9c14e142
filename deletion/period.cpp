#include "deletion/period.h"

#include <cassert>
#include <charconv>

namespace deletion {
namespace {

void appendDigits(std::u16string &text, int value, int width)
{
    char digits[12];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    assert(error == std::errc());
    for (auto length = end - digits; length < width; ++length)
        text.push_back(u'0');
    text.append(digits, end);
}

} // namespace

std::u16string periodText(int year, int month)
{
    std::u16string text;
    text.reserve(9);
    appendDigits(text, year, 4);
    text.push_back(u'年');
    appendDigits(text, month, 2);
    text.append(u"月度");
    return text;
}

std::vector<std::u16string> periodList()
{
    std::vector<std::u16string> texts;
    texts.reserve((kLastYear - kFirstYear + 1) * 12);
    for (int year = kFirstYear; year <= kLastYear; ++year)
        for (int month = 1; month <= 12; ++month)
            texts.push_back(periodText(year, month));
    return texts;
}

std::u16string presetPeriodText(const platform::CalendarDate &date)
{
    if (date.year < kFirstYear)
        return periodText(kFirstYear, 1);
    if (date.year > kLastYear)
        return periodText(kLastYear, 12);
    return periodText(date.year, date.month);
}

std::u16string periodCode(std::u16string_view periodText)
{
    return std::u16string(periodText.substr(0, 4)).append(periodText.substr(5, 2));
}

int codeValue(std::u16string_view code)
{
    int value = 0;
    for (const char16_t c : code) {
        if (c < u'0' || c > u'9' || value > 99'999'999)
            return 0;
        value = value * 10 + (c - u'0');
    }
    return value;
}

std::u16string dataFileName(int candidate)
{
    std::u16string name;
    appendDigits(name, candidate, 1);
    name.append(u"orveta.mdb");
    return name;
}

} // namespace deletion
