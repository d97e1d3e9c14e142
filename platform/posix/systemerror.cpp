#include "platform/result.h"
#include "platform/text.h"

#include <cerrno>
#include <cstring>

namespace platform {

SystemError systemError(int code)
{
    ErrorKind kind = ErrorKind::Other;
    switch (code) {
    case EACCES:
    case EPERM:
        kind = ErrorKind::NoPermission;
        break;
    case EROFS:
        kind = ErrorKind::ReadOnlyFileSystem;
        break;
    case ETXTBSY:
        kind = ErrorKind::InUse;
        break;
    case ENOSPC:
    case EDQUOT:
        kind = ErrorKind::NoSpace;
        break;
    case EIO:
        kind = ErrorKind::IoError;
        break;
    case ENAMETOOLONG:
        kind = ErrorKind::NameTooLong;
        break;
    case ENOENT:
    case ENOTDIR:
        kind = ErrorKind::NotFound;
        break;
    case EBUSY:
        kind = ErrorKind::Busy;
        break;
    default:
        break;
    }
    return {kind, code};
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
