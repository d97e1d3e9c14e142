#pragma once

#include <QString>

#include <optional>

namespace platform {

// True when path names a regular file that can be opened for reading now and
// that no other program holds a lock on: a data file that can be taken away
// without harming anyone. Follows a symbolic link, never blocks, never
// creates anything, leaves nothing open and reports no error.
[[nodiscard]] bool isFreeRegularFile(const QString &path);

// Removes the directory entry path itself (a symbolic link, not its target).
// Returns the system's reason when that fails.
[[nodiscard]] std::optional<QString> removeFile(const QString &path);

} // namespace platform
