#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The main product's settings file, taken as bytes: "[group]" header lines
// and "name = value" key lines. Reading and removing see the same groups and
// keys, so what is read is exactly what is removed.
namespace platform::ini {

// The value of the key's last line in the last group of that name, without
// the blanks around it; nullopt when there is no such line.
[[nodiscard]] std::optional<std::string> findValue(std::string_view contents,
                                                   std::string_view group, std::string_view key);

struct Removal
{
    std::string contents;
    std::size_t removedLines = 0; // 0: the key was not there
};

// Removes every line of the key in every group of that name, each with its
// own line ending, and keeps every other byte as it was.
[[nodiscard]] Removal removeKey(std::string_view contents, std::string_view group,
                                std::string_view key);

} // namespace platform::ini
