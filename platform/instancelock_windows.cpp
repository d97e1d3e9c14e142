// Provisional Windows version, enough to build and try the Win32 window;
// the platform layer's full version replaces it.
#include "platform/instancelock.h"

#include <windows.h>

namespace platform {

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
        CloseHandle(state_->mutex);
}

bool InstanceLock::tryAcquire()
{
    state_->mutex = CreateMutexW(nullptr, FALSE, L"Local\\OrvetaWorkdataDelete");
    return !(state_->mutex && GetLastError() == ERROR_ALREADY_EXISTS);
}

void InstanceLock::askRunningCopyToRaise()
{
    if (const HWND window = FindWindowW(L"OrvetaWorkdataDeleteMainWindow", nullptr)) {
        if (IsIconic(window))
            ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
}

void InstanceLock::listenForRaiseRequests(std::function<void(const std::string &)>)
{
    // The later copy raises the window itself.
}

} // namespace platform
