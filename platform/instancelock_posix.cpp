#include "platform/instancelock.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {
namespace {

QString lockFilePath()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir))
        return runtimeDir + u"/orveta-workdata-delete.lock"_s;

    // Without a runtime folder the lock lives in the shared temporary folder,
    // so the user's name keeps one user's copy from blocking another's.
    QString user;
    if (const passwd *entry = getpwuid(geteuid()))
        user = QString::fromLocal8Bit(entry->pw_name);
    else
        user = QString::number(geteuid());
    return QDir::tempPath() + u"/orveta-workdata-delete-"_s + user + u".lock"_s;
}

} // namespace

InstanceLock::InstanceLock()
    : lock_(lockFilePath())
{
    // A running copy keeps its lock however long it runs; a lock whose
    // owner has died is taken over at once.
    lock_.setStaleLockTime(0);
}

bool InstanceLock::tryAcquire()
{
    return lock_.tryLock(0);
}

} // namespace platform
