#include "platform/filesystem.h"

#include "platform/text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool heldByAnotherProgram(int fd)
{
    // A shared flock fails while anyone holds an exclusive one; it goes away
    // again when the descriptor is closed.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return true;

    // One open-file-description query sees both kinds of record lock, the
    // classic POSIX ones and the open-file-description ones.
    struct flock query = {};
    query.l_type = F_RDLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    if (::fcntl(fd, F_OFD_GETLK, &query) != 0)
        return false;
    return query.l_type != F_UNLCK;
}

} // namespace

bool isAbsolutePath(std::u16string_view path)
{
    return !path.empty() && path.front() == u'/';
}

bool isFreeRegularFile(const std::u16string &path)
{
    // Non-blocking so that a FIFO under a data file's name cannot hang us.
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info = {};
    const bool present
        = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && !heldByAnotherProgram(fd);
    ::close(fd);
    return present;
}

std::optional<std::u16string> removeFile(const std::u16string &path)
{
    if (::unlink(toUtf8(path).c_str()) == 0)
        return std::nullopt;
    return fromUtf8(std::strerror(errno));
}

} // namespace platform
