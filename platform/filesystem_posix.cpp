#include "platform/filesystem.h"
#include "platform/posix.h"
#include "platform/text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The name as the system calls take it, or nullptr for a name they would
// cut short at an embedded NUL and so take for another file. Encoded into
// one buffer kept between calls, as the deletion run asks about hundreds of
// files in a row; valid until the next call on the same thread.
const char *systemName(const std::u16string &path)
{
    static thread_local std::string name;
    if (name.size() < path.size() * 3 + 1)
        name.resize(path.size() * 3 + 1);
    char *const end = writeUtf8(path, name.data());
    *end = '\0';
    if (std::memchr(name.data(), '\0', std::size_t(end - name.data())))
        return nullptr;
    return name.data();
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

} // namespace

bool isAbsolutePath(std::u16string_view path)
{
    return !path.empty() && path.front() == u'/';
}

bool isFreeRegularFile(const std::u16string &path)
{
    const char *const name = systemName(path);
    if (!name)
        return false;
    // Opening a FIFO or a device can wake up or upset whoever is at its other
    // end, so only what looks like a regular file is opened at all; the
    // fstat below is what counts.
    struct stat info = {};
    if (::stat(name, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // Non-blocking: neither a FIFO swapped in meanwhile nor another
    // program's lease can hang us.
    const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    const bool free
        = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && !isLockedByAnotherProgram(fd);
    ::close(fd);
    return free;
}

Result<> removeFile(const std::u16string &path)
{
    const char *const name = systemName(path);
    if (!name)
        return failure(systemError(ENOENT));
    struct stat info = {};
    if (::lstat(name, &info) != 0)
        return failure(lastSystemError());
    // Read-only as rm judges it: no write permission for anyone, and root is
    // held to it too. A symbolic link is judged by itself, not its target.
    if (!S_ISLNK(info.st_mode) && (info.st_mode & 0222) == 0)
        return failure({ErrorKind::ReadOnlyFile, 0});
    if (::unlink(name) != 0)
        return failure(lastSystemError());
    return {};
}

} // namespace platform
