#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>

namespace platform {

// The separator of folder names in the paths the tool builds and shows.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// True for a path that names the same place whatever the working folder:
// "/..." on POSIX; "C:\...", "C:/..." or "\\server\share..." on Windows.
[[nodiscard]] bool isAbsolutePath(std::u16string_view path);

// True when path names a regular file that can be opened for reading now and
// that no other program is using (POSIX: holds no lock of any kind on it;
// Windows: opens with read and write sharing): a data file that can be taken
// away without harming anyone. Never blocks, never creates anything, leaves
// nothing open and reports no error.
[[nodiscard]] bool isFreeRegularFile(const std::u16string &path);

// Deletes the file at path (a symbolic link itself, not its target). A file
// whose mode grants no write permission is read-only and stays.
[[nodiscard]] Result<> removeFile(const std::u16string &path);

} // namespace platform
