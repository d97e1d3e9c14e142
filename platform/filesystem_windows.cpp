// Provisional Windows version, enough to build and try the Win32 window;
// the platform layer's full version replaces it.
#include "platform/filesystem.h"
#include "platform/text.h"

#include <windows.h>

namespace platform {
namespace {

std::wstring wide(std::u16string_view text)
{
    return {text.begin(), text.end()};
}

} // namespace

bool isAbsolutePath(std::u16string_view path)
{
    if (path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/'))
        return true;
    return path.starts_with(u"\\\\");
}

bool isFreeRegularFile(const std::u16string &path)
{
    const HANDLE file
        = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool regular = GetFileInformationByHandle(file, &info)
                         && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    return regular;
}

std::optional<std::u16string> removeFile(const std::u16string &path)
{
    if (DeleteFileW(wide(path).c_str()))
        return std::nullopt;
    return u"Windows error " + decimalText(GetLastError());
}

} // namespace platform
