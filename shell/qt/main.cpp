#include "platform/currentdate.h"
#include "platform/instancelock.h"
#include "shell/qt/fonts.h"
#include "shell/qt/mainwindow.h"
#include "shell/qt/raisewindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // A second copy brings the running one to the front and ends, without
    // a window of its own: it does not even connect to the display.
    platform::InstanceLock instanceLock;
    if (!instanceLock.tryAcquire()) {
        instanceLock.askRunningCopyToRaise();
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orveta-workdata-delete"));
    QApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("jp.solcana.OrvetaWorkdataDelete"));

    // Message boxes are windows of their own and take the application font.
    QApplication::setFont(shell::gothicFont(shell::kRegularPoints));

    // Both month lists are preset from this one reading of the date.
    shell::MainWindow window(platform::currentLocalDate());
    instanceLock.listenForRaiseRequests(
        [&window](const std::string &token) { shell::raiseWindow(&window, token); });
    window.show();
    return QApplication::exec();
}
