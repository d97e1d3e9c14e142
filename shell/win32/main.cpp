#include "platform/currentdate.h"
#include "platform/instancelock.h"
#include "shell/win32/dpi.h"
#include "shell/win32/mainwindow.h"

#include <exception>
#include <windows.h>
// Windows' own headers after windows.h, which they build on.
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // Before anything else: every DLL loaded from now on, by the program or
    // by Windows' own DLLs on its behalf, comes from System32 alone, never
    // from the folder the program was started from, such as a Downloads
    // folder that holds other DLLs.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    // A second copy brings the running one to the front and ends without a
    // window of its own.
    platform::InstanceLock instanceLock;
    if (!instanceLock.tryAcquire()) {
        instanceLock.askRunningCopyToRaise();
        return 0;
    }

    shell::enablePerMonitorDpiAwareness();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    try {
        // Both month lists are preset from this one reading of the date.
        shell::MainWindow window(instance, platform::currentLocalDate());
        window.show(showCommand);

        MSG message = {};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (window.handleDialogMessage(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return int(message.wParam);
    } catch (const std::exception &) {
        // Only a window that cannot be created gets here; there is nothing
        // to show it in.
        return 1;
    }
}
