#pragma once

#include "platform/result.h"

#include <cstdint>
#include <optional>
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

class DataFolder;

// A present data file, held open from the probe that found it to its
// deletion, so that what is deleted is what was judged. It belongs to the
// DataFolder that opened it and must not outlive it. Closed when it goes.
class DataFile final
{
public:
    DataFile(DataFile &&other) noexcept;
    DataFile &operator=(DataFile &&other) noexcept;
    ~DataFile();
    DataFile(const DataFile &) = delete;
    DataFile &operator=(const DataFile &) = delete;

    // Deletes exactly what was opened: a link itself, never its target.
    // Windows deletes through the open handle; POSIX unlinks the name in the
    // same open folder once it has checked that the name still stands for
    // what was opened. A read-only file (POSIX: no write permission for
    // anyone, root bound too) stays and the failure says why. Closes the
    // file whatever the outcome; call it once.
    [[nodiscard]] Result<> remove();

private:
    friend class DataFolder;
    void close() noexcept;

#ifdef _WIN32
    explicit DataFile(void *handle, int refusal = 0);
    void *handle_ = nullptr; // a HANDLE; null once closed
    int refusal_ = 0; // the system's refusal to delete, known from the probe
#else
    DataFile(int folder, int fd, std::string name, std::uint64_t device, std::uint64_t inode);
    int folder_ = -1; // the DataFolder's
    int fd_ = -1; // the file, or a link itself, held so that its inode stays its own
    std::string name_;
    // The entry's identity when it was opened: for a link, the link's own.
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
#endif
};

// A data folder, held open for a whole deletion run: every file is looked up
// in it, whatever happens to its path meanwhile. Windows also keeps anyone
// from renaming, deleting or replacing it while it is held.
class DataFolder final
{
public:
    // The folder at path, or nullopt when there is no such folder or this
    // user cannot reach it (then no data file can be present). A failure
    // when it cannot be reached safely, such as through another user's
    // symbolic link (POSIX, ErrorKind::ForeignLink), or for a fault the
    // user must hear about.
    [[nodiscard]] static Result<std::optional<DataFolder>> open(const std::u16string &path);

    DataFolder(DataFolder &&other) noexcept;
    DataFolder &operator=(DataFolder &&other) noexcept;
    ~DataFolder();
    DataFolder(const DataFolder &) = delete;
    DataFolder &operator=(const DataFolder &) = delete;

    // The presence probe: the file of that name in this folder, opened, when
    // it is present: a regular file (or a link to one on POSIX, any link on
    // Windows) that can be opened for reading now and that no other program
    // is using. nullopt otherwise, and for a name that is no plain file name.
    // Never blocks, never creates anything, reports no error.
    [[nodiscard]] std::optional<DataFile> openFile(std::u16string_view name) const;

private:
#ifdef _WIN32
    explicit DataFolder(void *handle);
    void *handle_ = nullptr; // a HANDLE
#else
    explicit DataFolder(int fd);
    int fd_ = -1;
#endif
};

} // namespace platform
