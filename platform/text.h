#pragma once

#include <string>
#include <string_view>

// The program's texts are UTF-16, as the window's texts and Windows' own
// strings are; the POSIX system calls and the settings file take UTF-8.
// Bytes that are no UTF-8 survive the way through a text and back: each
// becomes a lone surrogate U+DC80-U+DCFF, which only a front end replaces
// when it shows the text.
namespace platform {

// A lone surrogate U+DC80-U+DCFF becomes its byte again; any other lone
// surrogate becomes U+FFFD.
[[nodiscard]] std::string toUtf8(std::u16string_view text);

// The same written at out, which has room for three bytes per UTF-16 unit;
// returns the end of what was written. For texts converted one after the
// other into one buffer, such as hundreds of file names in a row.
char *writeUtf8(std::u16string_view text, char *out);

// Each byte that is no part of valid UTF-8 becomes the lone surrogate
// 0xDC00 + its value.
[[nodiscard]] std::u16string fromUtf8(std::string_view text);

// "123" for 123, "-5" for -5.
[[nodiscard]] std::u16string decimalText(long long value);

// The number of characters, counting a surrogate pair as one, and a lone
// surrogate (a byte that is no UTF-8) as one too.
[[nodiscard]] std::size_t characterCount(std::u16string_view text);

} // namespace platform
