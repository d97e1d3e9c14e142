#include "platform/result.h"
#include "platform/windows/paths.h"

namespace platform {
namespace {

// One message of the system's tables in one language, without the line
// break it ends with; empty when the system has none in that language.
std::u16string formatMessage(DWORD code, WORD language)
{
    wchar_t *buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, language, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::u16string text;
    if (buffer) {
        text.assign(reinterpret_cast<const char16_t *>(buffer), length);
        ::LocalFree(buffer);
    }
    const auto end = text.find_last_not_of(u"\r\n \t");
    text.erase(end == std::u16string::npos ? 0 : end + 1);
    return text;
}

} // namespace

SystemError systemError(int code)
{
    ErrorKind kind = ErrorKind::Other;
    switch (DWORD(code)) {
    case ERROR_ACCESS_DENIED:
        kind = ErrorKind::NoPermission;
        break;
    case ERROR_WRITE_PROTECT:
        kind = ErrorKind::ReadOnlyFileSystem;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        kind = ErrorKind::InUse;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        kind = ErrorKind::NoSpace;
        break;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
        kind = ErrorKind::IoError;
        break;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        kind = ErrorKind::NameTooLong;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        kind = ErrorKind::NotFound;
        break;
    case ERROR_BUSY:
    case ERROR_BUSY_DRIVE:
        kind = ErrorKind::Busy;
        break;
    default:
        break;
    }
    return {kind, code};
}

SystemError lastSystemError()
{
    return systemError(int(::GetLastError()));
}

std::u16string systemMessage(const SystemError &error)
{
    if (error.code == 0)
        return {};
    return formatMessage(DWORD(error.code), 0);
}

std::optional<std::u16string> japaneseSystemMessage(const SystemError &error)
{
    if (error.code == 0)
        return std::nullopt;
    // Present on a Japanese Windows, and on any other with the Japanese
    // language pack; missing otherwise.
    std::u16string text
        = formatMessage(DWORD(error.code), MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace platform
