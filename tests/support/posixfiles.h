#pragma once

// Files as other users and other programs leave them, for the POSIX doctest
// programs: owners, modes, links, attributes that bind root too, and locks
// held by another process.

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// A folder with the given owner and mode; false when it cannot be made so.
[[nodiscard]] inline bool makeFolder(const std::filesystem::path &path, uid_t owner = 0,
                                     mode_t mode = 0755)
{
    return ::mkdir(path.c_str(), mode) == 0 && ::chown(path.c_str(), owner, owner) == 0
           && ::chmod(path.c_str(), mode) == 0;
}

// An empty file with the given owner.
[[nodiscard]] inline bool makeFile(const std::filesystem::path &path, uid_t owner = 0)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    return fd >= 0 && ::fchown(fd, owner, owner) == 0 && ::close(fd) == 0;
}

// A symbolic link to target, owned by owner as though owner had made it.
[[nodiscard]] inline bool makeLink(const std::string &target, const std::filesystem::path &path,
                                   uid_t owner = 0)
{
    return ::symlink(target.c_str(), path.c_str()) == 0
           && ::lchown(path.c_str(), owner, owner) == 0;
}

// Whether anything, a dangling link included, stands at path.
[[nodiscard]] inline bool entryExists(const std::filesystem::path &path)
{
    struct stat info = {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The permission bits of what stands at path, or ~0 when nothing does.
[[nodiscard]] inline mode_t fileMode(const std::filesystem::path &path)
{
    struct stat info = {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : ~0u;
}

// Gives a file or folder an attribute such as FS_IMMUTABLE_FL or
// FS_APPEND_FL, which binds root too, for as long as it lives. Attribute 0
// sets nothing.
class AttributeGuard final
{
public:
    AttributeGuard(const std::filesystem::path &path, int attribute)
        : path_(path)
        , attribute_(attribute)
        , set_(attribute == 0 || change(true))
    {
    }
    ~AttributeGuard()
    {
        if (attribute_ != 0 && set_)
            (void)change(false);
    }
    AttributeGuard(const AttributeGuard &) = delete;
    AttributeGuard &operator=(const AttributeGuard &) = delete;

    [[nodiscard]] bool isSet() const { return set_; }

private:
    [[nodiscard]] bool change(bool on) const
    {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        int flags = 0;
        bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | attribute_ : flags & ~attribute_;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        return ::close(fd) == 0 && done;
    }

    const std::filesystem::path path_;
    const int attribute_;
    const bool set_;
};

enum class LockApi { Flock, Posix, Ofd };

// Another process holding one lock on a file for as long as this lives: a
// flock (shared for F_RDLCK, else exclusive) or a POSIX or open-file-
// description record lock of that type over the given range.
class LockHolder final
{
public:
    LockHolder(const std::filesystem::path &path, LockApi api, short type, off_t start = 0,
               off_t length = 0)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(release_) != 0)
            return;
        if ((pid_ = ::fork()) == 0) {
            ::close(release_[1]);
            const int fd = ::open(path.c_str(), O_RDWR);
            struct flock range = {};
            range.l_type = type;
            range.l_start = start;
            range.l_len = length;
            bool locked = false;
            if (api == LockApi::Flock)
                locked = ::flock(fd, (type == F_RDLCK ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0;
            else
                locked = ::fcntl(fd, api == LockApi::Ofd ? F_OFD_SETLK : F_SETLK, &range) == 0;
            char byte = locked ? '1' : '0';
            if (::write(ready[1], &byte, 1) == 1)
                while (::read(release_[0], &byte, 1) > 0) { }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release_[0]);
        char byte = '0';
        held_ = pid_ > 0 && ::read(ready[0], &byte, 1) == 1 && byte == '1';
        ::close(ready[0]);
    }
    ~LockHolder()
    {
        ::close(release_[1]);
        if (pid_ > 0)
            while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) { }
    }
    LockHolder(const LockHolder &) = delete;
    LockHolder &operator=(const LockHolder &) = delete;

    [[nodiscard]] bool isHeld() const { return held_; }

private:
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};

} // namespace testsupport
