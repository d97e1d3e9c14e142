#include "platform/text.h"

#include <charconv>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// A byte that is no part of valid UTF-8 travels through the program's texts
// as a lone low surrogate of its own (the byte's value + 0xDC00), which no
// valid UTF-8 can yield, and becomes the same byte again on the way out:
// a folder name in the settings reaches the file system as it was written.
constexpr char32_t kFirstEscape = 0xDC80;
constexpr char32_t kLastEscape = 0xDCFF;

bool isHighSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char32_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Writes c at out and returns the end of what it wrote.
char *writeUtf8(char *out, char32_t c)
{
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

void appendUtf16(std::u16string &out, char32_t c)
{
    if (c < 0x10000) {
        out += char16_t(c);
    } else {
        out += char16_t(0xD800 + ((c - 0x10000) >> 10));
        out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

} // namespace

std::string toUtf8(std::u16string_view text)
{
    std::string out(text.size() * 3, '\0');
    out.resize(std::size_t(writeUtf8(text, out.data()) - out.data()));
    return out;
}

char *writeUtf8(std::u16string_view text, char *out)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            *out++ = char(c);
            continue;
        }
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= kFirstEscape && c <= kLastEscape) {
            *out++ = char(c - 0xDC00);
            continue;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            c = kReplacement; // any other lone surrogate has no UTF-8 form
        }
        out = writeUtf8(out, c);
    }
    return out;
}

std::u16string fromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i++]);
        if (lead < 0x80) {
            out += char16_t(lead);
            continue;
        }
        // The second byte's range also rules out overlong forms, surrogates
        // and code points beyond U+10FFFF.
        std::size_t length = 0;
        char32_t c = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            out += char16_t(0xDC00 + lead);
            continue;
        }
        // Each byte of a broken sequence is kept on its own, and decoding
        // goes on at the byte that broke it.
        const std::size_t begin = i - 1;
        std::size_t taken = 1;
        for (; taken < length && i < text.size(); ++taken, ++i) {
            const auto next = static_cast<unsigned char>(text[i]);
            if (next < low || next > high)
                break;
            c = (c << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        if (taken == length) {
            appendUtf16(out, c);
            continue;
        }
        for (std::size_t at = begin; at < i; ++at)
            out += char16_t(0xDC00 + static_cast<unsigned char>(text[at]));
    }
    return out;
}

std::u16string decimalText(long long value)
{
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error; // 24 characters hold any long long
    return std::u16string(digits, end);
}

std::size_t characterCount(std::u16string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]))
            ++i;
        ++count;
    }
    return count;
}

} // namespace platform
