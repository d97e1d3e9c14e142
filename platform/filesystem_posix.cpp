#include "platform/filesystem.h"

#include <QByteArray>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The file name as the system takes it, UTF-8 as QFile::encodeName gives it,
// written into one buffer kept between calls: the deletion run asks about
// hundreds of files in a row. Valid until the next call.
const char *systemName(const QString &path)
{
    static thread_local QByteArray buffer;
    QStringEncoder encoder(QStringEncoder::Utf8);
    buffer.resize(encoder.requiredSpace(path.size()) + 1);
    char *end = encoder.appendToBuffer(buffer.data(), path);
    *end = '\0';
    return buffer.constData();
}

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

bool isFreeRegularFile(const QString &path)
{
    // Non-blocking so that a FIFO under a data file's name cannot hang us.
    const int fd = ::open(systemName(path), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info = {};
    const bool present
        = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && !heldByAnotherProgram(fd);
    ::close(fd);
    return present;
}

std::optional<QString> removeFile(const QString &path)
{
    if (::unlink(systemName(path)) == 0)
        return std::nullopt;
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace platform
