#include "platform/settingsstore.h"

#include "platform/inifile.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/settingswritehook.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

std::string homeFolder()
{
    if (const char *home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry = {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_dir)
        return found->pw_dir;
    return {};
}

// A relative or empty XDG_CONFIG_HOME is no valid setting and is ignored, as
// the freedesktop base directory rules ask.
std::string configFolder()
{
    if (const char *configured = std::getenv("XDG_CONFIG_HOME"); configured && *configured == '/')
        return configured;
    return homeFolder() + "/.config";
}

// Kept as the system's bytes: a folder name that is no UTF-8 still works.
std::string storeFile(std::u16string_view application)
{
    return configFolder() + '/' + toUtf8(application) + ".ini";
}

// A settings file as it was read, held open.
struct FileContents
{
    Descriptor fd;
    struct stat info = {};
    std::string bytes{};
};

// Opens without waiting, as a FIFO with no writer or a device would have us
// wait, and reads regular files only: nullopt when there is none at path or
// something else stands there.
[[nodiscard]] Result<std::optional<FileContents>> readRegularFile(const char *path)
{
    FileContents file{.fd = Descriptor(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY))};
    if (!file.fd.isOpen() && errno == ENOENT)
        return std::nullopt;
    if (!file.fd.isOpen() || ::fstat(file.fd.get(), &file.info) != 0)
        return failure(lastSystemError());
    if (!S_ISREG(file.info.st_mode))
        return std::nullopt;
    file.bytes.reserve(std::size_t(file.info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd.get(), buffer, sizeof buffer);
        if (n == 0)
            return std::optional<FileContents>(std::move(file));
        if (n > 0)
            file.bytes.append(buffer, std::size_t(n));
        else if (errno != EINTR)
            return failure(lastSystemError());
    }
}

[[nodiscard]] Result<> writeAt(int fd, std::string_view bytes, off_t offset)
{
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno != EINTR)
            return failure(lastSystemError());
        if (n == 0)
            return failure(systemError(EIO)); // no progress, and none to expect
        if (n > 0) {
            bytes.remove_prefix(std::size_t(n));
            offset += n;
        }
    }
    return {};
}

// Best effort: an attribute this user may not set, such as a security
// label, is left to the system's default.
void copyExtendedAttributes(int from, int to)
{
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return;
    std::string names(std::size_t(listSize), '\0');
    const ssize_t listed = ::flistxattr(from, names.data(), names.size());
    if (listed <= 0)
        return;
    names.resize(std::size_t(listed));
    std::string value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char *name = names.c_str() + at;
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0)
            continue;
        value.resize(std::size_t(size));
        const ssize_t got = ::fgetxattr(from, name, value.data(), value.size());
        if (got >= 0)
            ::fsetxattr(to, name, value.data(), std::size_t(got), 0);
    }
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// A new file renamed over the old one is never seen half written, but it is a
// new inode: it would split the file from its other hard links, it would be
// ours rather than its owner's, and it needs the folder's write permission.
[[nodiscard]] bool mayReplace(const std::string &path, const struct stat &info)
{
    return info.st_uid == ::geteuid() && info.st_nlink == 1
           && ::access(folderOf(path).c_str(), W_OK | X_OK) == 0;
}

// Readings and writings of the file before the tool gives up on another
// program that keeps changing it.
constexpr int kAttempts = 4;
// Tries for a lease: the first half in a row, the rest a millisecond apart.
constexpr int kLeaseAttempts = 200;

std::function<void()> &writeHook()
{
    static std::function<void()> hook;
    return hook;
}

std::function<void()> &swapHook()
{
    static std::function<void()> hook;
    return hook;
}

void call(const std::function<void()> &hook)
{
    if (hook)
        hook();
}

[[nodiscard]] bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// True when path names the file that was read and the file still holds what
// was read. Its bytes are compared too, as the settings file is small,
// because a change within one tick of the clock leaves the time as it was.
[[nodiscard]] bool stillAsRead(const std::string &path, const FileContents &original)
{
    std::string bytes(original.bytes.size() + 1, '\0'); // one more, to see it grow
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n
            = ::pread(original.fd.get(), bytes.data() + got, bytes.size() - got, off_t(got));
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0)
            got += std::size_t(n);
    }
    if (std::string_view(bytes.data(), got) != original.bytes)
        return false;
    struct stat named = {};
    struct stat now = {};
    return ::lstat(path.c_str(), &named) == 0 && named.st_dev == original.info.st_dev
           && named.st_ino == original.info.st_ino && ::fstat(original.fd.get(), &now) == 0
           && now.st_size == original.info.st_size && sameTime(now.st_mtim, original.info.st_mtim);
}

[[nodiscard]] std::unexpected<SystemError> changedMeanwhile()
{
    return failure({ErrorKind::ChangedMeanwhile, 0});
}

// Holds off other programs' writing to a file while it is checked and
// changed: with a lease, whoever opens the file to write (with a write
// lease, to read too) waits until the lease is given back, so that the check
// stays true until the change is made. A read lease is granted while nobody
// has the file open to write, a write lease while nobody has it open at all.
// The kernel grants none while another program has the file open so; nor
// for another user's file (but to root) or on a file system without leases,
// where the checks alone stand.
class Lease final
{
public:
    Lease(int fd, int type)
        : fd_(fd)
        , type_(type)
    {
        // A waiting opener is announced by a signal, SIGIO unless told
        // otherwise, which would end the program; nobody here asks for
        // SIGURG, which is ignored.
        if (::fcntl(fd, F_SETSIG, SIGURG) != 0)
            return;
        // Another program that appends a line has the file open for a
        // moment, longer on a busy system: the tool waits a tenth of a
        // second at most.
        for (int attempt = 0; attempt < kLeaseAttempts; ++attempt) {
            if (::fcntl(fd, F_SETLEASE, type) == 0) {
                held_ = true;
                return;
            }
            busy_ = errno == EAGAIN;
            if (!busy_)
                return;
            if (attempt < kLeaseAttempts / 2) {
                ::sched_yield();
            } else {
                const struct timespec pause = {0, 1'000'000};
                ::nanosleep(&pause, nullptr);
            }
        }
    }
    ~Lease()
    {
        if (held_)
            ::fcntl(fd_, F_SETLEASE, F_UNLCK);
    }
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;

    [[nodiscard]] bool held() const { return held_; }
    // Refused as another program has the file open, rather than for want of
    // leases on this file system or of the right to take one.
    [[nodiscard]] bool busy() const { return busy_; }

    // False once somebody has begun to open the file in a way the lease
    // holds off: asked again, the kernel also refuses the lease to a holder
    // beside an opening that has not reached the lease yet. True without a
    // lease.
    [[nodiscard]] bool unbroken() const
    {
        return !held_
               || (::fcntl(fd_, F_GETLEASE) == type_ && ::fcntl(fd_, F_SETLEASE, type_) == 0);
    }

private:
    int fd_;
    int type_;
    bool held_ = false;
    bool busy_ = false;
};

[[nodiscard]] Result<> swapNames(const std::string &a, const std::string &b)
{
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) != 0)
        return failure(lastSystemError());
    return {};
}

// Puts the new file, under its temporary name, in the old one's place if the
// old one is still what was read; ErrorKind::ChangedMeanwhile when it
// changed. The two swap names, so that the old file stays at hand until it
// is sure that nobody wrote to it meanwhile, nor began to open it; if
// somebody did, the names are swapped back. Nothing is left under the
// temporary name, except another program's file should swapping back fail.
[[nodiscard]] Result<> putInPlace(const std::string &path, const FileContents &original,
                                  const std::string &temporary, int newFd)
{
    // The old file is only read here, and readers do no harm.
    const Lease oldLease(original.fd.get(), F_RDLCK);
    const Lease newLease(newFd, F_WRLCK); // nobody writes to it while it may go again
    const auto dropTemporary = [&](Result<> outcome) {
        ::unlink(temporary.c_str());
        return outcome;
    };
    // Another program has it open to write, and would go on writing to it.
    if (oldLease.busy())
        return dropTemporary(changedMeanwhile());
    if (!stillAsRead(path, original))
        return dropTemporary(changedMeanwhile());
    if (const Result<> swapped = swapNames(temporary, path); !swapped) {
        if (swapped.error().code != EINVAL && swapped.error().code != ENOSYS)
            return dropTemporary(swapped);
        // A file system that cannot swap two names: the checks alone stand.
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            return dropTemporary(failure(lastSystemError()));
        return {};
    }
    call(swapHook());
    if (stillAsRead(temporary, original) && oldLease.unbroken())
        return dropTemporary({});
    if (const Result<> swappedBack = swapNames(temporary, path); !swappedBack)
        return swappedBack;
    return dropTemporary(changedMeanwhile());
}

// Writes the new contents to a temporary file beside the old one, with its
// mode, owner and extended attributes, and puts it in the old one's place.
// nullopt, with nothing changed, when no such file can be made or given the
// old one's group, which a write in place would still manage.
[[nodiscard]] std::optional<Result<>>
replaceFile(const std::string &path, const FileContents &original, std::string_view contents)
{
    const std::string folder = folderOf(path);
    std::string temporary = (folder == "/" ? std::string() : folder) + "/."
                            + path.substr(path.rfind('/') + 1) + ".XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.isOpen())
        return std::nullopt;
    const auto discard = [&](std::optional<Result<>> outcome) {
        fd.close();
        ::unlink(temporary.c_str());
        return outcome;
    };
    const auto discardFor = [&](SystemError error) { return discard(failure(error)); };

    // The owner first: a change of owner clears the set-user-ID and
    // set-group-ID bits that the mode brings back.
    struct stat created = {};
    if (::fstat(fd.get(), &created) != 0)
        return discardFor(lastSystemError());
    if ((created.st_uid != original.info.st_uid || created.st_gid != original.info.st_gid)
        && ::fchown(fd.get(), original.info.st_uid, original.info.st_gid) != 0)
        return discard(std::nullopt);
    if (::fchmod(fd.get(), original.info.st_mode & 07777) != 0)
        return discardFor(lastSystemError());
    copyExtendedAttributes(original.fd.get(), fd.get());

    if (const Result<> written = writeAt(fd.get(), contents, 0); !written)
        return discardFor(written.error());
    if (::fsync(fd.get()) != 0)
        return discardFor(lastSystemError());

    const Result<> put = putInPlace(path, original, temporary, fd.get());
    // Written and synced already: a late error of the close changes nothing.
    fd.close();
    if (!put)
        return put;
    // So that the new name outlives a crash as well; the file itself is safe.
    if (const Descriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folderFd.isOpen())
        ::fsync(folderFd.get());
    return Result<>();
}

// Opens the file that was read again, with flags, in place of the
// descriptor it was read through: ChangedMeanwhile when the name now stands
// for another file.
[[nodiscard]] Result<> reopen(const std::string &path, FileContents &file, int flags)
{
    file.fd.close();
    Descriptor fd(::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    // EWOULDBLOCK: another program holds a lease on it and is changing it.
    if (!fd.isOpen() && (errno == ENOENT || errno == EWOULDBLOCK))
        return changedMeanwhile();
    struct stat info = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0)
        return failure(lastSystemError());
    if (info.st_dev != file.info.st_dev || info.st_ino != file.info.st_ino)
        return changedMeanwhile();
    file.fd = std::move(fd);
    return {};
}

// Writes the new contents over the old ones through the file's own
// descriptor, open to read and write, which keeps its inode with owner, hard
// links and attributes. The new contents are shorter, so the file never
// needs more room than it has, and a failed write can put the old bytes back.
[[nodiscard]] Result<> rewriteInPlace(const std::string &path, const FileContents &file,
                                      std::string_view contents)
{
    // Our shorter copy would cut what another program wrote since.
    if (!stillAsRead(path, file))
        return changedMeanwhile();
    Result<> written = writeAt(file.fd.get(), contents, 0);
    if (written && ::ftruncate(file.fd.get(), off_t(contents.size())) != 0)
        written = failure(lastSystemError());
    if (written && ::fsync(file.fd.get()) != 0)
        written = failure(lastSystemError());
    if (!written && writeAt(file.fd.get(), file.bytes, 0)
        && ::ftruncate(file.fd.get(), off_t(file.bytes.size())) == 0)
        ::fsync(file.fd.get());
    return written;
}

// Writes the file back, in place under a write lease whenever the kernel
// grants one, that is whenever nobody else has the file open: whoever opens
// it meanwhile, also a program that looked its name up before, waits at the
// lease and then finds the same file, written, and appends to it. A new file
// renamed into the old one's place cannot promise that: a program that
// looked the name up before the rename and opens it after, however late on
// a busy system, would append to the old file, which is gone. The price is
// that a crash amid the write can leave the file half written, where a
// renamed file is whole; nobody sees it so otherwise. (Should the tool be
// held up longer than the kernel lets a lease keep an opener waiting,
// lease-break-time, 45 seconds unless set otherwise, the opener goes ahead.)
// Without the lease, another program has the file open: to write, and the
// tool leaves the file as it is; to read only, and a new file is renamed in
// place where it may be (a reader keeps what it has; only a late opener, as
// above, that meets such a reader can still miss the file); or there are no
// leases here, and the checks alone stand.
[[nodiscard]] Result<> writeBack(const std::string &path, FileContents &file,
                                 std::string_view contents)
{
    // A lease is granted only on a file that nobody else, the tool included,
    // has open.
    if (const Result<> reopened = reopen(path, file, O_RDWR); !reopened)
        return reopened;
    bool busy = false;
    {
        const Lease lease(file.fd.get(), F_WRLCK);
        if (lease.held())
            return rewriteInPlace(path, file, contents);
        busy = lease.busy();
    }
    if (const Result<> reopened = reopen(path, file, O_RDONLY); !reopened)
        return reopened;
    if (mayReplace(path, file.info))
        if (std::optional<Result<>> replaced = replaceFile(path, file, contents))
            return *replaced;
    // A read lease is granted while nobody has the file open to write.
    if (busy && !Lease(file.fd.get(), F_RDLCK).held())
        return changedMeanwhile();
    if (const Result<> reopened = reopen(path, file, O_RDWR); !reopened)
        return reopened;
    return rewriteInPlace(path, file, contents);
}

// One reading, change and writing of the file; ChangedMeanwhile when another
// program changed the file after it was read, and nothing was written.
[[nodiscard]] Result<> deleteOnce(const std::string &storePath, const std::string &section,
                                  std::initializer_list<std::u16string_view> keys)
{
    const SystemError absent{ErrorKind::NotFound, 0};
    // Through a symbolic link to the file it names, as an editor would, so
    // that the link stays a link.
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(storePath.c_str(), nullptr), &std::free);
    if (!resolved)
        return failure(errno == ENOENT || errno == ENOTDIR ? absent : lastSystemError());
    const std::string path(resolved.get());

    Result<std::optional<FileContents>> read = readRegularFile(path.c_str());
    // Another program holds a lease on it and is changing it.
    if (!read && read.error().code == EWOULDBLOCK)
        return changedMeanwhile();
    if (!read)
        return failure(read.error());
    if (!*read)
        return failure(absent);
    FileContents &file = **read;
    std::string contents = file.bytes;
    std::size_t removed = 0;
    for (const std::u16string_view key : keys) {
        ini::Removal removal = ini::removeKey(contents, section, toUtf8(key));
        if (removal.removedLines == 0)
            break;
        contents = std::move(removal.contents);
        ++removed;
    }
    if (removed == 0)
        return failure(absent);

    // The rename would need only the folder's permission: ask the file's own
    // first. Root passes, except where the file is immutable or the file
    // system read-only.
    if (::access(path.c_str(), W_OK) != 0)
        return failure(lastSystemError());
    call(writeHook());
    if (const Result<> written = writeBack(path, file, contents); !written)
        return written;
    if (removed < keys.size())
        return failure(absent);
    return {};
}

} // namespace

std::u16string settingsStorePath(std::u16string_view application, std::u16string_view)
{
    return fromUtf8(storeFile(application));
}

std::u16string readSetting(std::u16string_view application, std::u16string_view section,
                           std::u16string_view key)
{
    const Result<std::optional<FileContents>> file
        = readRegularFile(storeFile(application).c_str());
    if (!file || !*file)
        return {};
    const std::optional<std::string> value
        = ini::findValue((*file)->bytes, toUtf8(section), toUtf8(key));
    return value ? fromUtf8(*value) : std::u16string();
}

Result<> deleteSettings(std::u16string_view application, std::u16string_view section,
                        std::initializer_list<std::u16string_view> keys)
{
    const std::string storePath = storeFile(application);
    const std::string group = toUtf8(section);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Result<> deleted = deleteOnce(storePath, group, keys);
        if (deleted || deleted.error().kind != ErrorKind::ChangedMeanwhile)
            return deleted;
    }
    return changedMeanwhile();
}

void setSettingsWriteHook(std::function<void()> hook)
{
    writeHook() = std::move(hook);
}

void setSettingsSwapHook(std::function<void()> hook)
{
    swapHook() = std::move(hook);
}

} // namespace platform
