#include "platform/currentdate.h"
#include "platform/instancelock.h"
#include "shell/qt/application.h"
#include "shell/qt/mainwindow.h"
#include "shell/qt/raisewindow.h"
#include "shell/singleinstance.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // A second copy brings the running one to the front and ends, without
    // a window of its own: it does not even connect to the display.
    platform::InstanceLock instanceLock;
    if (!shell::startAsOnlyCopy(instanceLock))
        return 0;

    QApplication app(argc, argv);
    shell::configureApplication();

    // Both month lists are preset from this one reading of the date.
    shell::MainWindow window(platform::currentLocalDate());
    shell::hearRaiseRequests(instanceLock, &window, [&window](const std::string &token) {
        shell::raiseWindow(&window, token);
    });
    window.show();
    return QApplication::exec();
}
