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

// The codes of the failures users meet, by kind; any other is
// ErrorKind::Other.
constexpr struct
{
    DWORD code;
    ErrorKind kind;
} kKindsOfCodes[] = {
    {ERROR_ACCESS_DENIED, ErrorKind::NoPermission},
    {ERROR_WRITE_PROTECT, ErrorKind::ReadOnlyFileSystem},
    {ERROR_SHARING_VIOLATION, ErrorKind::InUse},
    {ERROR_LOCK_VIOLATION, ErrorKind::InUse},
    {ERROR_USER_MAPPED_FILE, ErrorKind::InUse},
    {ERROR_DISK_FULL, ErrorKind::NoSpace},
    {ERROR_HANDLE_DISK_FULL, ErrorKind::NoSpace},
    {ERROR_CRC, ErrorKind::IoError},
    {ERROR_IO_DEVICE, ErrorKind::IoError},
    {ERROR_READ_FAULT, ErrorKind::IoError},
    {ERROR_WRITE_FAULT, ErrorKind::IoError},
    {ERROR_FILENAME_EXCED_RANGE, ErrorKind::NameTooLong},
    {ERROR_BUFFER_OVERFLOW, ErrorKind::NameTooLong},
    {ERROR_FILE_NOT_FOUND, ErrorKind::NotFound},
    {ERROR_PATH_NOT_FOUND, ErrorKind::NotFound},
    {ERROR_BUSY, ErrorKind::Busy},
    {ERROR_BUSY_DRIVE, ErrorKind::Busy},
};

} // namespace

SystemError systemError(int code)
{
    for (const auto &[known, kind] : kKindsOfCodes)
        if (known == DWORD(code))
            return {kind, code};
    return {ErrorKind::Other, code};
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
