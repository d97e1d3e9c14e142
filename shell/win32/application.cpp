#include "shell/win32/application.h"

#include "platform/currentdate.h"
#include "shell/texts.h"
#include "shell/win32/dpi.h"
#include "shell/win32/mainwindow.h"
#include "shell/win32/messagebox.h"

// Windows' own headers after windows.h, which they build on.
#include <commctrl.h>

namespace shell {

int runMainWindow(HINSTANCE instance, int showCommand)
{
    enablePerMonitorDpiAwareness();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    // Both month lists are preset from this one reading of the date.
    const platform::Result<std::unique_ptr<MainWindow>> window
        = MainWindow::create(instance, platform::currentLocalDate());
    if (!window) {
        showMessageBox(nullptr, dpiForWindow(nullptr),
                       {texts::fill(texts::kStartupFailed, {texts::failureReason(window.error())}),
                        std::u16string(texts::kStartupTitle), MessageIcon::Exclamation,
                        MessageButtons::Ok});
        return 1;
    }
    (*window)->show(showCommand);

    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if ((*window)->handleDialogMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}

} // namespace shell
