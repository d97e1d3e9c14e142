#pragma once

#include <QLockFile>

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

private:
    QLockFile lock_;
};

} // namespace platform
