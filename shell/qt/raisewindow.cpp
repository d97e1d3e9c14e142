#include "shell/qt/raisewindow.h"

#include "platform/instancelock.h"
#include "shell/texts.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>

#include <cstdio>

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

void hearRaiseRequests(platform::InstanceLock &lock, QObject *owner,
                       std::function<void(const std::string &activationToken)> raise)
{
    const platform::Result<std::optional<int>> watched = lock.listenForRaiseRequests();
    if (!watched) {
        std::fprintf(stderr, "%s\n", texts::raiseNotHeardNote(watched.error()).c_str());
        return;
    }
    if (!*watched)
        return;
    auto *notifier = new QSocketNotifier(**watched, QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner,
                     [&lock, raise = std::move(raise)] {
                         for (const std::string &token : lock.takeRaiseRequests())
                             raise(token);
                     });
}

} // namespace shell
