#pragma once

#include <string>
#include <string_view>

// The program's texts are UTF-16, as the window's texts and Windows' own
// strings are; the POSIX system calls and the settings file take UTF-8.
namespace platform {

[[nodiscard]] std::string toUtf8(std::u16string_view text);

// The same written at out, which has room for three bytes per UTF-16 unit;
// returns the end of what was written. For texts converted one after the
// other into one buffer, such as hundreds of file names in a row.
char *writeUtf8(std::u16string_view text, char *out);

// Bytes that are no UTF-8 become U+FFFD.
[[nodiscard]] std::u16string fromUtf8(std::string_view text);

// "123" for 123, "-5" for -5.
[[nodiscard]] std::u16string decimalText(long long value);

// The number of characters, counting a surrogate pair as one.
[[nodiscard]] std::size_t characterCount(std::u16string_view text);

} // namespace platform
