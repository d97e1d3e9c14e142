#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

// What the running copy's main window is known by to the system, so that a
// later start can find it: its Win32 window class.
inline constexpr char16_t kMainWindowClassName[] = u"OrvetaWorkdataDeleteMainWindow";

// Keeps a second copy of the tool from running beside the first, for one
// user in one session. Only a live copy blocks: the lock goes with the copy
// that holds it, however that copy ends. A lock that cannot be taken or
// checked lets the tool start; why is told on standard error.
class InstanceLock final
{
public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False only when another live copy holds the lock.
    [[nodiscard]] bool tryAcquire();

    // For a copy that found the lock held: asks the running copy to bring its
    // window to the front, passing on the desktop's activation token if the
    // copy was started with one.
    void askRunningCopyToRaise();

    // For the copy that holds the lock, once its window exists: calls raise
    // with the activation token (possibly empty) whenever a later start asks.
    void listenForRaiseRequests(std::function<void(const std::string &activationToken)> raise);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform
