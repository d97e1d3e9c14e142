#include "shell/qt/raisewindow.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace shell {

void raiseWindow(QWidget *window, const std::string &activationToken)
{
    if (window->isMinimized())
        window->showNormal();
    window->raise();

    // A Wayland compositor lets a window take the focus only with a token
    // that stands for the user's click. Qt's Wayland plugin hands
    // XDG_ACTIVATION_TOKEN to the compositor on the next activation request
    // and unsets it; it leaves it set when the compositor offers no
    // activation protocol, so it is unset here too, lest programs started
    // later inherit a spent token.
    const bool passToken
        = QGuiApplication::platformName().startsWith(u"wayland") && !activationToken.empty();
    if (passToken)
        qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activationToken));
    window->activateWindow(); // requestActivate() on the window's handle
    if (passToken)
        qunsetenv("XDG_ACTIVATION_TOKEN");
}

} // namespace shell
