#include "shell/messagelayout.h"

#include "shell/message.h"

#include <algorithm>
#include <vector>

namespace shell {
namespace {

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool isBreakAfter(char16_t c)
{
    return c == u'/' || c == u'\\' || c == u' ';
}

// Where the line may be broken at all: after each character, a surrogate
// pair counting as one.
std::vector<std::size_t> characterEnds(std::u16string_view line)
{
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (!(isHighSurrogate(line[i]) && i + 1 < line.size() && isLowSurrogate(line[i + 1])))
            ends.push_back(i + 1);
    return ends;
}

// How much of a line too wide for maxWidth goes on the first line: at least
// one character, so that every piece makes progress.
std::size_t firstPieceLength(std::u16string_view line, int maxWidth, const TextWidth &width)
{
    const std::vector<std::size_t> ends = characterEnds(line);
    // A prefix grows wider as it grows longer: the longest one that fits is
    // found by halving.
    const auto fitting = std::partition_point(ends.begin(), ends.end(), [&](std::size_t end) {
        return width(line.substr(0, end)) <= maxWidth;
    });
    if (fitting == ends.begin())
        return ends.front();
    const std::size_t fits = *(fitting - 1);
    for (std::size_t end = fits; end > 0; --end)
        if (isBreakAfter(line[end - 1]))
            return end;
    return fits;
}

// Blanks at the end of a line take no room a reader sees: they never make a
// line too wide.
std::u16string_view withoutTrailingBlanks(std::u16string_view line)
{
    const std::size_t end = line.find_last_not_of(u' ');
    return line.substr(0, end == std::u16string_view::npos ? 0 : end + 1);
}

} // namespace

std::u16string breakLongLines(std::u16string_view text, int maxWidth, const TextWidth &width)
{
    const auto tooWide = [&](std::u16string_view line) {
        const std::u16string_view visible = withoutTrailingBlanks(line);
        return !visible.empty() && width(visible) > maxWidth;
    };
    std::u16string result;
    result.reserve(text.size() + text.size() / 16);
    for (;;) {
        const std::size_t lineEnd = std::min(text.find(CR), text.size());
        std::u16string_view line = text.substr(0, lineEnd);
        while (tooWide(line)) {
            const std::size_t length = firstPieceLength(line, maxWidth, width);
            if (length == line.size())
                break;
            result.append(line.substr(0, length));
            result.push_back(CR);
            line.remove_prefix(length);
        }
        result.append(line);
        if (lineEnd == text.size())
            return result;
        result.push_back(CR);
        text.remove_prefix(lineEnd + 1);
    }
}

} // namespace shell
