#pragma once

#include <string>
#include <windows.h>

// What the Windows implementations of the platform headers share.
namespace platform {

// The program's UTF-16 texts are what the W functions take: wchar_t is a
// 16-bit UTF-16 unit on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

[[nodiscard]] inline const wchar_t *wide(const std::u16string &text)
{
    return reinterpret_cast<const wchar_t *>(text.c_str());
}

// The form of a path that the file functions take at any length, beyond
// MAX_PATH without the system's long-path setting too ("\\?\C:\..." or
// "\\?\UNC\server\share\..."), cleaned up first as the system cleans up
// a path of the usual length. Messages show the path as the user wrote it.
[[nodiscard]] std::u16string systemPath(const std::u16string &path);

} // namespace platform
