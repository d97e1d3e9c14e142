// A window titled "raise-demo" that a later start brings to the front, as
// the tool's main window is: for tst_raise.
#include "platform/instancelock.h"
#include "shell/qt/raisewindow.h"
#include "shell/singleinstance.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    platform::InstanceLock lock;
    if (!shell::startAsOnlyCopy(lock))
        return 0;

    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("raise-demo"));
    window.resize(320, 200);
    window.show();
    shell::hearRaiseRequests(lock, &window, [&window](const std::string &token) {
        shell::raiseWindow(&window, token);
        std::printf("raised %s\n", token.c_str());
        std::fflush(stdout);
    });
    std::puts("first");
    std::fflush(stdout);
    return QApplication::exec();
}
