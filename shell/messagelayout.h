#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace shell {

// How wide a piece of text is in the box that shows it, in that box's pixels.
using TextWidth = std::function<int(std::u16string_view)>;

// A message box breaks its lines only at spaces, and a path has none: a long
// one would be cut off at the box's edge or make the box wider than the
// screen. Returns the text (lines joined by CR) with a CR inserted wherever
// a line is wider than maxWidth: after the last path separator or space
// that still fits, or between any two characters where none does (never
// inside a surrogate pair). Lines that fit stay exactly as they are, and no
// character is dropped or changed.
[[nodiscard]] std::u16string breakLongLines(std::u16string_view text, int maxWidth,
                                            const TextWidth &width);

} // namespace shell
