// Interim: replaced by the flock-based lock.
#include "platform/instancelock.h"

namespace platform {

struct InstanceLock::State
{
};

InstanceLock::InstanceLock() = default;
InstanceLock::~InstanceLock() = default;
bool InstanceLock::tryAcquire()
{
    return true;
}
void InstanceLock::askRunningCopyToRaise() { }
void InstanceLock::listenForRaiseRequests(std::function<void(const std::string &)>) { }

} // namespace platform
