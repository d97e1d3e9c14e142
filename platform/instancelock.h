#pragma once

#include <QLockFile>
#include <QString>

namespace platform {

// Keeps a second copy of the tool from running beside the first. The lock is
// held for as long as the object lives; a copy that crashed or was killed
// leaves a lock that the next start takes over.
class InstanceLock final
{
public:
    InstanceLock();
    Q_DISABLE_COPY_MOVE(InstanceLock)

    [[nodiscard]] bool tryAcquire();
    [[nodiscard]] QString path() const { return path_; }

private:
    QString path_;
    QLockFile lock_;
};

} // namespace platform
