#pragma once

#include "platform/result.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What the running copy's main window is known by to the system, so that a
// later start can find it: its Win32 window class.
inline constexpr char16_t kMainWindowClassName[] = u"OrvetaWorkdataDeleteMainWindow";

// Something that kept the lock from a folder or file on its way, or from
// being checked at all: the step, the folder or file, and the error.
struct LockProblem
{
    enum class Step {
        UseRuntimeFolder, // XDG_RUNTIME_DIR, which path holds, is no folder to use
        FindHome, // no home folder to put a folder of our own in
        Create, // path could not be made
        Open, // path could not be opened, or is no folder or file to use
        MakePrivate, // path could not be closed to other users
        Lock, // the lock file at path could not be locked
    };

    Step step;
    std::string path;
    SystemError error;

    friend bool operator==(const LockProblem &, const LockProblem &) = default;
};

// Keeps a second copy of the tool from running beside the first, for one
// user in one session. Only a live copy blocks: the lock goes with the copy
// that holds it, however that copy ends. A lock that cannot be taken or
// checked lets the tool start; the face tells why.
class InstanceLock final
{
public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // True once this copy holds the lock, false when another live copy
    // holds it. A failure when the lock could not be checked; the tool then
    // starts all the same, and problems() says why.
    [[nodiscard]] Result<bool> tryAcquire();

    // What kept the lock from the folder it would take first, or from
    // being checked at all, in the order met; empty when nothing did.
    [[nodiscard]] const std::vector<LockProblem> &problems() const;

    // The folder where the lock is, once found (POSIX); empty otherwise.
    [[nodiscard]] std::string folder() const;

    // For a copy that found the lock held: asks the running copy to bring
    // its window to the front, passing on the desktop's activation token if
    // the copy was started with one. A failure when it could not be asked
    // (ErrorKind::NoAnswer when it did not answer in time).
    [[nodiscard]] Result<> askRunningCopyToRaise();

    // For the copy that holds the lock, once its window exists: lets later
    // starts ask it to come to the front. Returns the descriptor that
    // becomes readable when a request comes; the face watches it and then
    // calls takeRaiseRequests. nullopt where there is nothing to watch
    // (Windows, where a later start raises the window itself).
    [[nodiscard]] Result<std::optional<int>> listenForRaiseRequests();

    // Takes what later starts have sent so far, without waiting: the
    // activation token (possibly empty) of each complete request, in order.
    [[nodiscard]] std::vector<std::string> takeRaiseRequests();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform
