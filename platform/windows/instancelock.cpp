#include "platform/instancelock.h"

#include "platform/windows/paths.h"

namespace platform {
namespace {

// Local\: one copy per user session. The mutex lives as long as any copy
// has it open, so it goes when the copy that made it ends, however it ends.
constexpr wchar_t kMutexName[] = L"Local\\orveta-workdata-delete";

} // namespace

struct InstanceLock::State
{
    HANDLE mutex = nullptr;
    std::vector<LockProblem> problems;
};

InstanceLock::InstanceLock()
    : state_(std::make_unique<State>())
{
}

InstanceLock::~InstanceLock()
{
    if (state_->mutex)
        ::CloseHandle(state_->mutex);
}

Result<bool> InstanceLock::tryAcquire()
{
    if (state_->mutex)
        return true;
    state_->problems.clear();
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kMutexName);
    const SystemError error = lastSystemError();
    if (!mutex) {
        state_->problems.push_back({LockProblem::Step::Lock, {}, error});
        return failure(error);
    }
    if (error.code == ERROR_ALREADY_EXISTS) {
        // Our handle alone would keep the mutex alive after the running copy ends.
        ::CloseHandle(mutex);
        return false;
    }
    state_->mutex = mutex;
    return true;
}

const std::vector<LockProblem> &InstanceLock::problems() const
{
    return state_->problems;
}

std::string InstanceLock::folder() const
{
    return {}; // the mutex lives in the session, in no folder
}

Result<> InstanceLock::askRunningCopyToRaise()
{
    // The running copy's window is raised from here: a program that was just
    // started by the user may take the foreground, the running one may not.
    const HWND window = ::FindWindowW(wide(kMainWindowClassName), nullptr);
    if (!window)
        return {};
    // While a question is open the window is disabled and the keys belong to
    // the box: that comes to the front, and its own activation gives the
    // focus back to its button. It is asked for before a minimised window
    // is restored, as restoring activates the window itself.
    const HWND popup = ::GetLastActivePopup(window);
    if (::IsIconic(window))
        ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(popup);
    return {};
}

Result<std::optional<int>> InstanceLock::listenForRaiseRequests()
{
    return std::nullopt; // a later copy raises the window itself
}

std::vector<std::string> InstanceLock::takeRaiseRequests()
{
    return {};
}

} // namespace platform
