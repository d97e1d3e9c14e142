#include "platform/filesystem.h"

#include "platform/posix/descriptor.h"
#include "platform/text.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// The longest name a folder entry can have, in bytes.
constexpr std::size_t kMaxName = NAME_MAX;

// A name inside the data folder, written at out (room for kMaxName UTF-16
// units of three bytes each and a NUL) as the system calls take it; false
// for one that is no plain file name: empty, too long, with a separator
// (which would lead into another folder) or with a NUL (which would cut it
// short).
bool encodeEntryName(std::u16string_view name, char *out)
{
    if (name.empty() || name.size() > kMaxName)
        return false;
    char *end = writeUtf8(name, out);
    *end = '\0';
    // A separator or a NUL is ASCII, and so is its UTF-8 form.
    return std::memchr(out, '/', std::size_t(end - out)) == nullptr
           && std::strlen(out) == std::size_t(end - out);
}

bool isLockedByAnotherProgram(int fd)
{
    // An exclusive flock is refused beside any other flock, shared or
    // exclusive. Granted, it is given back at once rather than on close, so
    // that nobody else trying the file meanwhile finds it held, and a copy of
    // the descriptor forked off by another thread cannot keep it alive.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::flock(fd, LOCK_UN);
    else if (errno == EWOULDBLOCK)
        return true;
    // Any other failure (a file system without flock) leaves it to the
    // record locks below.

    // Asked for as a write lock over the whole file, one open-file-description
    // query reports the read and the write record locks of everybody else,
    // classic POSIX and open-file-description ones alike. It takes nothing.
    struct flock query = {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_GETLK, &query) == 0 && query.l_type != F_UNLCK;
}

using FolderResult = Result<std::optional<DataFolder>>;

// A failure on the way to the data folder. Most mean that it is not there
// for this user: missing, no folder, not searchable, a loop of links or a
// name no folder can have; nothing can be present in it then.
FolderResult notReached(SystemError error)
{
    if (error.code == ENOENT || error.code == ENOTDIR || error.code == EACCES || error.code == ELOOP
        || error.code == ENAMETOOLONG)
        return std::optional<DataFolder>();
    return failure(error);
}

// Follows a link only when its owner could have put it there anyway: this
// user, root, or the owner of the folder that holds it. The kernel applies
// the same rule to links in sticky world-writable folders; here it holds
// everywhere, as a group-writable folder lets any member plant a link.
bool isTrustedLink(const struct stat &link, const struct stat &holder)
{
    return link.st_uid == ::geteuid() || link.st_uid == 0 || link.st_uid == holder.st_uid;
}

// The target of the link that fd (opened with O_PATH | O_NOFOLLOW) is.
Result<std::string> readLink(int fd, std::size_t sizeHint)
{
    std::string target(sizeHint + 1, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(fd, "", target.data(), target.size());
        if (length < 0)
            return failure(lastSystemError());
        if (std::size_t(length) < target.size()) {
            target.resize(std::size_t(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

} // namespace

bool isAbsolutePath(std::u16string_view path)
{
    return !path.empty() && path.front() == u'/';
}

DataFile::DataFile(int folder, int fd, std::string name, std::uint64_t device, std::uint64_t inode)
    : folder_(folder)
    , fd_(fd)
    , name_(std::move(name))
    , device_(device)
    , inode_(inode)
{
}

DataFile::DataFile(DataFile &&other) noexcept
    : folder_(other.folder_)
    , fd_(std::exchange(other.fd_, -1))
    , name_(std::move(other.name_))
    , device_(other.device_)
    , inode_(other.inode_)
{
}

DataFile &DataFile::operator=(DataFile &&other) noexcept
{
    std::swap(folder_, other.folder_);
    std::swap(fd_, other.fd_);
    std::swap(name_, other.name_);
    std::swap(device_, other.device_);
    std::swap(inode_, other.inode_);
    return *this;
}

DataFile::~DataFile()
{
    close();
}

void DataFile::close() noexcept
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

Result<> DataFile::remove()
{
    // Linux unlinks only by name: the name must still stand for what was
    // opened and judged, or something else would go in its place.
    Result<> result;
    struct stat now = {};
    if (::fstatat(folder_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        result = failure(lastSystemError());
    else if (now.st_dev != device_ || now.st_ino != inode_)
        result = failure({ErrorKind::ChangedMeanwhile, 0});
    // Read-only as rm judges it: no write permission for anyone, and root is
    // held to it too. A symbolic link is judged by itself, not its target.
    else if (!S_ISLNK(now.st_mode) && (now.st_mode & 0222) == 0)
        result = failure({ErrorKind::ReadOnlyFile, 0});
    else if (::unlinkat(folder_, name_.c_str(), 0) != 0)
        result = failure(lastSystemError());
    close();
    return result;
}

DataFolder::DataFolder(int fd)
    : fd_(fd)
{
}

DataFolder::DataFolder(DataFolder &&other) noexcept
    : fd_(std::exchange(other.fd_, -1))
{
}

DataFolder &DataFolder::operator=(DataFolder &&other) noexcept
{
    std::swap(fd_, other.fd_);
    return *this;
}

DataFolder::~DataFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FolderResult DataFolder::open(const std::u16string &path)
{
    constexpr std::nullopt_t absent = std::nullopt;
    std::string pending = toUtf8(path);
    if (pending.empty() || pending.find('\0') != std::string::npos)
        return absent;

    // The path is walked one name at a time, each opened without following
    // it, so that every link on the way is seen and judged before it is
    // followed; a link's target takes the place of its name in what is left
    // to walk.
    const auto openRoot = [](bool absolute) {
        return Descriptor(::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    };
    Descriptor current = openRoot(pending.front() == '/');
    if (!current.isOpen())
        return notReached(lastSystemError());
    int links = 0;
    std::string component;
    for (;;) {
        const std::size_t start = pending.find_first_not_of('/');
        if (start == std::string::npos)
            break;
        const std::size_t end = pending.find('/', start);
        component.assign(pending, start, end == std::string::npos ? end : end - start);
        pending.erase(0, end);
        if (component == ".")
            continue;

        Descriptor next(
            ::openat(current.get(), component.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat entry = {};
        if (!next.isOpen() || ::fstat(next.get(), &entry) != 0)
            return notReached(lastSystemError());
        if (S_ISDIR(entry.st_mode)) {
            current = std::move(next);
            continue;
        }
        if (!S_ISLNK(entry.st_mode))
            return absent; // a file where a folder should be
        struct stat holder = {};
        if (::fstat(current.get(), &holder) != 0)
            return failure(lastSystemError());
        if (!isTrustedLink(entry, holder))
            return failure({ErrorKind::ForeignLink, 0});
        if (++links > kMaxLinks)
            return absent;
        // Read through the descriptor that was judged, not by name again.
        const Result<std::string> target = readLink(next.get(), std::size_t(entry.st_size));
        if (!target)
            return notReached(target.error());
        if (target->empty())
            return absent;
        if (target->front() == '/') {
            current = openRoot(true);
            if (!current.isOpen())
                return failure(lastSystemError());
        }
        pending.insert(0, *target);
    }
    // One that cannot be searched holds nothing this user could delete.
    struct stat folder = {};
    if (::fstatat(current.get(), ".", &folder, 0) != 0)
        return notReached(lastSystemError());
    return std::optional<DataFolder>(DataFolder(current.release()));
}

std::optional<DataFile> DataFolder::openFile(std::u16string_view name) const
{
    char entry[kMaxName * 3 + 1];
    if (!encodeEntryName(name, entry))
        return std::nullopt;
    // Opening a FIFO or a device can wake up or upset whoever is at its other
    // end, so only what looks like a regular file, or a link to one, is
    // opened at all; the fstat of what opened is what counts. Non-blocking:
    // neither a FIFO swapped in meanwhile nor another program's lease can
    // hang us.
    constexpr int kReading = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    struct stat info = {};
    if (::fstatat(fd_, entry, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    if (S_ISREG(info.st_mode)) {
        Descriptor file(::openat(fd_, entry, kReading | O_NOFOLLOW));
        if (!file.isOpen() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)
            || isLockedByAnotherProgram(file.get()))
            return std::nullopt;
        return DataFile(fd_, file.release(), entry, info.st_dev, info.st_ino);
    }
    if (!S_ISLNK(info.st_mode))
        return std::nullopt;

    // A link is judged by its target and deleted as itself: the link is
    // held (O_PATH) so that the name can be checked against it at the
    // deletion, and the target is opened only to be judged.
    Descriptor link(::openat(fd_, entry, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat target = {};
    if (!link.isOpen() || ::fstat(link.get(), &info) != 0 || !S_ISLNK(info.st_mode)
        || ::fstatat(fd_, entry, &target, 0) != 0 || !S_ISREG(target.st_mode))
        return std::nullopt;
    const Descriptor file(::openat(fd_, entry, kReading));
    struct stat opened = {};
    if (!file.isOpen() || ::fstat(file.get(), &opened) != 0 || opened.st_dev != target.st_dev
        || opened.st_ino != target.st_ino || isLockedByAnotherProgram(file.get()))
        return std::nullopt;
    return DataFile(fd_, link.release(), entry, info.st_dev, info.st_ino);
}

} // namespace platform
