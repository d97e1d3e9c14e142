#pragma once

#include <expected>
#include <optional>
#include <string>

// How the platform layer, and the core above it, report a failure: a result
// that holds either the value or the system's error, which the caller must
// look at.
namespace platform {

// The failures the program tells apart when it explains one to the user.
// The first group are the system's own; the last are refusals of the
// program's, which the system knows nothing about.
enum class ErrorKind {
    Other,
    NoPermission,
    ReadOnlyFileSystem,
    InUse,
    NoSpace,
    IoError,
    NameTooLong,
    NotFound,
    Busy,

    ReadOnlyFile, // no write permission for anyone: the file stays
    ForeignLink, // a symbolic link of another user on the way to the data
    ChangedMeanwhile, // another program kept changing the file we were changing
    ForeignOwner, // a folder or file of the lock belongs to another user
    OpenToOthers, // a folder of the lock that other users may write to
    NotAbsolute, // a folder named by a relative path
    NotRegularFile, // the lock file is something else
    NoAnswer, // the running copy did not answer in time
    CountLimit, // the count of deleted files cannot go higher
};

struct SystemError
{
    ErrorKind kind = ErrorKind::Other;
    // The system's own code: errno on POSIX, the Win32 error code on
    // Windows; 0 for the program's own refusals.
    int code = 0;

    friend bool operator==(const SystemError &, const SystemError &) = default;
};

template<typename T = void>
using Result = std::expected<T, SystemError>;

[[nodiscard]] inline std::unexpected<SystemError> failure(SystemError error)
{
    return std::unexpected(error);
}

// The error for one of the system's codes, with its kind.
[[nodiscard]] SystemError systemError(int code);

// The error the last failed system call left: errno, or GetLastError().
[[nodiscard]] SystemError lastSystemError();

// The system's own words for an error, in the language it speaks to this
// user, without a line break; empty when it has none.
[[nodiscard]] std::u16string systemMessage(const SystemError &error);

// The system's own words in Japanese, where it keeps them (Windows' message
// tables); nullopt where it does not.
[[nodiscard]] std::optional<std::u16string> japaneseSystemMessage(const SystemError &error);

} // namespace platform
