#include "platform/filesystem.h"

#include "platform/systemerror_windows.h"

namespace platform {
namespace {

bool isSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Keeps the system from asking the user about a drive without a disk while
// a file is only being looked at.
class NoCriticalErrorBoxes final
{
public:
    NoCriticalErrorBoxes() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
    ~NoCriticalErrorBoxes() { ::SetThreadErrorMode(previous_, nullptr); }
    NoCriticalErrorBoxes(const NoCriticalErrorBoxes &) = delete;
    NoCriticalErrorBoxes &operator=(const NoCriticalErrorBoxes &) = delete;

private:
    DWORD previous_ = 0;
};

} // namespace

bool isAbsolutePath(std::u16string_view path)
{
    // "C:\..." or "C:/...": a drive and its root. "C:x" depends on the
    // drive's current folder and "\x" on the current drive, so neither counts.
    if (path.size() >= 3 && isAsciiLetter(path[0]) && path[1] == u':' && isSeparator(path[2]))
        return true;
    // "\\server\share...", the separators in either direction; this also
    // takes in "\\?\" and "\\.\" paths.
    return path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1])
           && !isSeparator(path[2]);
}

bool isFreeRegularFile(const std::u16string &path)
{
    const NoCriticalErrorBoxes quiet;
    // Fails while another program holds the file without letting others
    // read it; sharing read and write ourselves keeps this short look from
    // getting in the way of a program that opens the file meanwhile.
    const HANDLE file = ::CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information = {};
    // A device such as NUL opens too, but is no file on a disk.
    const bool present = ::GetFileType(file) == FILE_TYPE_DISK
                         && ::GetFileInformationByHandle(file, &information)
                         && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    ::CloseHandle(file);
    return present;
}

Result<> removeFile(const std::u16string &path)
{
    if (::DeleteFileW(wide(path)))
        return {};
    return failure(lastSystemError());
}

} // namespace platform
