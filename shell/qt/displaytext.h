#pragma once

#include <QString>

#include <string_view>

namespace shell {

// A text of the program as the window shows it. A lone surrogate stands for
// a byte of a folder name that is no UTF-8 and has no picture of its own: it
// is shown as U+FFFD, while the program goes on using the byte.
[[nodiscard]] QString displayText(std::u16string_view text);

} // namespace shell
