#include "platform/instancelock.h"

#include "platform/result.h"
#include "platform/systemerror_windows.h"
#include "platform/text.h"

#include <cstdio>

namespace platform {
namespace {

// Local\: one copy per user session. The mutex lives as long as any copy
// has it open, so it goes when the copy that made it ends, however it ends.
constexpr wchar_t kMutexName[] = L"Local\\orveta-workdata-delete";

} // namespace

struct InstanceLock::State
{
    HANDLE mutex = nullptr;
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

bool InstanceLock::tryAcquire()
{
    if (state_->mutex)
        return true;
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kMutexName);
    const DWORD error = ::GetLastError();
    if (!mutex) {
        std::fprintf(stderr, "orveta-workdata-delete: cannot check for a running copy: %s\n",
                     toUtf8(systemMessage(systemError(int(error)))).c_str());
        return true;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        // Our handle alone would keep the mutex alive after the running copy ends.
        ::CloseHandle(mutex);
        return false;
    }
    state_->mutex = mutex;
    return true;
}

void InstanceLock::askRunningCopyToRaise()
{
    // The running copy's window is raised from here: a program that was just
    // started by the user may take the foreground, the running one may not.
    const HWND window = ::FindWindowW(wide(kMainWindowClassName), nullptr);
    if (!window)
        return;
    // While a question is open the window is disabled and the keys belong to
    // the box: that comes to the front, and its own activation gives the
    // focus back to its button. It is asked for before a minimised window
    // is restored, as restoring activates the window itself.
    const HWND popup = ::GetLastActivePopup(window);
    if (::IsIconic(window))
        ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(popup);
}

void InstanceLock::listenForRaiseRequests(std::function<void(const std::string &)>)
{
    // Nothing to hear: a later copy raises the window itself.
}

} // namespace platform
