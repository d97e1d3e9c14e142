#include "platform/result.h"
#include "platform/text.h"

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

// The codes of the failures users meet, by kind; any other is
// ErrorKind::Other.
constexpr struct
{
    int code;
    ErrorKind kind;
} kKindsOfCodes[] = {
    {EACCES, ErrorKind::NoPermission},
    {EPERM, ErrorKind::NoPermission},
    {EROFS, ErrorKind::ReadOnlyFileSystem},
    {ETXTBSY, ErrorKind::InUse},
    {ENOSPC, ErrorKind::NoSpace},
    {EDQUOT, ErrorKind::NoSpace},
    {EIO, ErrorKind::IoError},
    {ENAMETOOLONG, ErrorKind::NameTooLong},
    {ENOENT, ErrorKind::NotFound},
    {ENOTDIR, ErrorKind::NotFound},
    {EBUSY, ErrorKind::Busy},
};

} // namespace

SystemError systemError(int code)
{
    for (const auto &[known, kind] : kKindsOfCodes)
        if (known == code)
            return {kind, code};
    return {ErrorKind::Other, code};
}

SystemError lastSystemError()
{
    return systemError(errno);
}

std::u16string systemMessage(const SystemError &error)
{
    if (error.code == 0)
        return {};
    char buffer[256];
    // The GNU strerror_r, which may answer with a text of its own instead of
    // the buffer.
    return fromUtf8(::strerror_r(error.code, buffer, sizeof buffer));
}

std::optional<std::u16string> japaneseSystemMessage(const SystemError &)
{
    // The C library speaks the locale's language, which may be any.
    return std::nullopt;
}

} // namespace platform
