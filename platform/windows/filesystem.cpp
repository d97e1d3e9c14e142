#include "platform/filesystem.h"

#include "platform/windows/paths.h"

#include <utility>
// winternl.h builds on windows.h
#include <winternl.h>

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

// Failures to open the data folder that mean it is not there for this user:
// missing, no folder, not listable, unreachable or a name no folder can
// have. Nothing can be present in it then.
bool meansAbsent(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return true;
    default:
        return false;
    }
}

// What a file opened for the probe is: a data file (a regular file or a link
// of any kind, which is judged and deleted by itself), or something else
// such as a folder.
bool isFileOrLink(HANDLE file)
{
    FILE_BASIC_INFO information = {};
    if (!::GetFileInformationByHandleEx(file, FileBasicInfo, &information, sizeof information))
        return false;
    return (information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
           || (information.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Opens a name in folder itself rather than in whatever a path leads to
// now: CreateFileW only takes whole paths.
NTSTATUS openInFolder(HANDLE folder, std::u16string_view name, ACCESS_MASK access, ULONG sharing,
                      HANDLE &file)
{
    UNICODE_STRING unicodeName;
    unicodeName.Buffer = const_cast<PWSTR>(reinterpret_cast<PCWSTR>(name.data()));
    unicodeName.Length = USHORT(name.size() * sizeof(char16_t));
    unicodeName.MaximumLength = unicodeName.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status = {};
    // Never through a link: a link named like a data file is judged, and
    // deleted, by itself.
    return ::NtCreateFile(&file, access | SYNCHRONIZE, &attributes, &status, nullptr, 0, sharing,
                          FILE_OPEN, FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT,
                          nullptr, 0);
}

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

std::u16string systemPath(const std::u16string &path)
{
    // Written in that form already: the system takes it as it stands.
    if (path.starts_with(u"\\\\?\\"))
        return path;
    // The clean-up the system gives a path of the usual length (separators,
    // "." and "..", trailing dots and spaces), which it leaves out for the
    // long form.
    std::u16string full(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(wide(path), DWORD(full.size()),
                                                reinterpret_cast<wchar_t *>(full.data()), nullptr);
        if (length == 0)
            return path; // the open fails then and says why
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    if (full.size() >= 3 && isAsciiLetter(full[0]) && full[1] == u':' && full[2] == u'\\')
        return u"\\\\?\\" + full;
    if (full.starts_with(u"\\\\") && !full.starts_with(u"\\\\.\\") && !full.starts_with(u"\\\\?\\"))
        return u"\\\\?\\UNC\\" + full.substr(2);
    return full; // a device, such as \\.\NUL
}

DataFile::DataFile(void *handle, int refusal)
    : handle_(handle)
    , refusal_(refusal)
{
}

DataFile::DataFile(DataFile &&other) noexcept
    : handle_(std::exchange(other.handle_, nullptr))
    , refusal_(other.refusal_)
{
}

DataFile &DataFile::operator=(DataFile &&other) noexcept
{
    std::swap(handle_, other.handle_);
    std::swap(refusal_, other.refusal_);
    return *this;
}

DataFile::~DataFile()
{
    close();
}

void DataFile::close() noexcept
{
    if (handle_)
        ::CloseHandle(std::exchange(handle_, nullptr));
}

Result<> DataFile::remove()
{
    if (!handle_)
        return failure(systemError(refusal_ != 0 ? refusal_ : int(ERROR_INVALID_HANDLE)));
    // The file goes when the last handle to it closes, ours below unless its
    // holder shared deleting with us. A read-only file refuses.
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    Result<> result;
    if (!::SetFileInformationByHandle(handle_, FileDispositionInfo, &disposition,
                                      sizeof disposition))
        result = failure(lastSystemError());
    close();
    return result;
}

DataFolder::DataFolder(void *handle)
    : handle_(handle)
{
}

DataFolder::DataFolder(DataFolder &&other) noexcept
    : handle_(std::exchange(other.handle_, nullptr))
{
}

DataFolder &DataFolder::operator=(DataFolder &&other) noexcept
{
    std::swap(handle_, other.handle_);
    return *this;
}

DataFolder::~DataFolder()
{
    if (handle_)
        ::CloseHandle(handle_);
}

Result<std::optional<DataFolder>> DataFolder::open(const std::u16string &path)
{
    // The system would take the path cut short at a NUL for another folder.
    if (path.find(u'\0') != std::u16string::npos)
        return std::nullopt;
    const NoCriticalErrorBoxes quiet;
    // Listing access, shared for reading and writing but not for deleting:
    // while it is held nobody can rename, delete or replace the folder, and
    // a folder holding an open one cannot be renamed either.
    const HANDLE folder = ::CreateFileW(wide(systemPath(path)), FILE_LIST_DIRECTORY,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (meansAbsent(error))
            return std::nullopt;
        return failure(systemError(int(error)));
    }
    // A device such as NUL opens too, but is no folder on a disk.
    BY_HANDLE_FILE_INFORMATION information = {};
    if (::GetFileType(folder) != FILE_TYPE_DISK
        || !::GetFileInformationByHandle(folder, &information)
        || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::CloseHandle(folder);
        return std::nullopt;
    }
    return std::optional<DataFolder>(DataFolder(folder));
}

std::optional<DataFile> DataFolder::openFile(std::u16string_view name) const
{
    // A separator would lead into another folder, a colon to a stream of
    // another file.
    if (name.empty() || name.size() > 32767
        || name.find_first_of(std::u16string_view(u"\\/:\0", 4)) != name.npos)
        return std::nullopt;
    // Reading and deleting, sharing nothing but reading: this fails while
    // another program has the file open for anything but reading or without
    // letting others delete it, so a file in use stays. What opens is what
    // goes.
    HANDLE file = nullptr;
    const NTSTATUS status
        = openInFolder(handle_, name, GENERIC_READ | DELETE, FILE_SHARE_READ, file);
    if (NT_SUCCESS(status)) {
        if (isFileOrLink(file))
            return DataFile(file);
        ::CloseHandle(file);
        return std::nullopt;
    }
    // A file that can be read but not deleted, such as one the user may
    // only read, is present: its deletion fails and says why. One that
    // cannot be read is absent.
    const ULONG refusal = ::RtlNtStatusToDosError(status);
    if (refusal != ERROR_ACCESS_DENIED)
        return std::nullopt;
    if (!NT_SUCCESS(openInFolder(handle_, name, GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, file)))
        return std::nullopt;
    const bool readable = isFileOrLink(file);
    ::CloseHandle(file);
    if (!readable)
        return std::nullopt;
    return DataFile(nullptr, int(refusal));
}

} // namespace platform
