#include "platform/inifile.h"

#include <algorithm>

namespace platform::ini {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view withoutLeadingBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view withoutBlanks(std::string_view text)
{
    text = withoutLeadingBlanks(text);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

struct Entry
{
    enum class Kind { Other, Group, Key };
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
};

// What one line, without its line ending, holds. Anything unexpected is
// another line to keep and pass over: the file is shared with other
// programs, and one odd line must not hide the rest.
Entry parseLine(std::string_view line)
{
    const std::string_view text = withoutLeadingBlanks(line);
    if (text.empty() || text.front() == ';' || text.front() == '#')
        return {};
    if (text.front() == '[') {
        // A header without its "]" is no key line either: it would take the
        // bracket into the key's name.
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return {};
        return {Entry::Kind::Group, text.substr(1, close - 1), {}};
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {Entry::Kind::Key, withoutBlanks(text.substr(0, equals)),
            withoutBlanks(text.substr(equals + 1))};
}

// Calls found(begin, end, value) for every line of the key in a group of that
// name, with the line's bytes at [begin, end), its line ending included.
template<typename Found>
void forEachKeyLine(std::string_view contents, std::string_view group, std::string_view key,
                    Found found)
{
    if (key.empty()) // "=value" names no key
        return;
    std::size_t begin = contents.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    bool inGroup = false; // lines before the first header belong to no group
    while (begin < contents.size()) {
        // LF, CRLF and CR all end a line, mixed in one file too.
        const std::size_t stop = std::min(contents.find_first_of("\r\n", begin), contents.size());
        std::size_t end = stop;
        if (end < contents.size() && contents[end++] == '\r' && end < contents.size()
            && contents[end] == '\n')
            ++end;
        const Entry entry = parseLine(contents.substr(begin, stop - begin));
        if (entry.kind == Entry::Kind::Group)
            inGroup = entry.name == group;
        else if (entry.kind == Entry::Kind::Key && inGroup && entry.name == key)
            found(begin, end, entry.value);
        begin = end;
    }
}

} // namespace

std::optional<std::string> findValue(std::string_view contents, std::string_view group,
                                     std::string_view key)
{
    std::optional<std::string_view> last;
    forEachKeyLine(contents, group, key,
                   [&](std::size_t, std::size_t, std::string_view value) { last = value; });
    if (!last)
        return std::nullopt;
    return std::string(*last);
}

Removal removeKey(std::string_view contents, std::string_view group, std::string_view key)
{
    Removal removal;
    removal.contents.reserve(contents.size());
    std::size_t kept = 0; // where the bytes not yet copied start
    forEachKeyLine(contents, group, key, [&](std::size_t begin, std::size_t end, std::string_view) {
        removal.contents.append(contents.substr(kept, begin - kept));
        kept = end;
        ++removal.removedLines;
    });
    removal.contents.append(contents.substr(kept));
    return removal;
}

} // namespace platform::ini
