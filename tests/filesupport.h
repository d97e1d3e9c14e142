#pragma once

// Files, folders, environment and users of the tests own.

#include "tests/support/users.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <linux/fs.h>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

[[nodiscard]] inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

[[nodiscard]] inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything a folder holds, hidden entries included, by name.
[[nodiscard]] inline QStringList folderEntries(const QString &path)
{
    return QDir(path).entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

[[nodiscard]] inline struct stat statOf(const QString &path)
{
    struct stat info = {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

// Sets or unsets one environment variable for as long as it lives.
class ScopedEnvironment final
{
public:
    ScopedEnvironment(const char *name, const std::optional<QByteArray> &value)
        : name_(name)
        , old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        set(value);
    }
    ~ScopedEnvironment() { set(old_); }
    Q_DISABLE_COPY_MOVE(ScopedEnvironment)

private:
    void set(const std::optional<QByteArray> &value) const
    {
        value ? qputenv(name_, *value) : qunsetenv(name_);
    }

    const char *name_;
    const std::optional<QByteArray> old_;
};

// A configuration folder of its own, so that no test reads or changes the
// user's real KORVEL.ini.
struct TemporaryConfig
{
    QString iniPath() const { return dir.filePath(u"KORVEL.ini"_s); }

    QTemporaryDir dir;
    ScopedEnvironment variable{"XDG_CONFIG_HOME", QFile::encodeName(dir.path())};
};

// Gives a file or folder an attribute such as FS_IMMUTABLE_FL or
// FS_APPEND_FL, which binds root too, for as long as it lives. Attribute 0
// sets nothing.
class AttributeGuard final
{
public:
    AttributeGuard(const QString &path, int attribute)
        : path_(QFile::encodeName(path))
        , attribute_(attribute)
        , set_(attribute == 0 || change(true))
    {
    }
    ~AttributeGuard() { QVERIFY2(attribute_ == 0 || !set_ || change(false), path_.constData()); }
    Q_DISABLE_COPY_MOVE(AttributeGuard)

    [[nodiscard]] bool isSet() const { return set_; }

private:
    [[nodiscard]] bool change(bool on) const
    {
        const int fd = ::open(path_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        int flags = 0;
        bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | attribute_ : flags & ~attribute_;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        return ::close(fd) == 0 && done;
    }

    const QByteArray path_;
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
    LockHolder(const QString &path, LockApi api, short type, off_t start = 0, off_t length = 0)
    {
        const QByteArray name = QFile::encodeName(path);
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(release_) != 0)
            return;
        if ((pid_ = ::fork()) == 0) {
            ::close(release_[1]);
            const int fd = ::open(name.constData(), O_RDWR);
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
    Q_DISABLE_COPY_MOVE(LockHolder)

    [[nodiscard]] bool isHeld() const { return held_; }

private:
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};
