// Stands in for the tool in tst_instancelock: takes the instance lock as the
// tool does, before there is an application, and prints "first" or "second".
// The first copy then prints "raised <token>" for every later start until
// its standard input closes or it is killed.
#include "platform/instancelock.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    platform::InstanceLock lock;
    if (!lock.tryAcquire()) {
        std::puts("second");
        std::fflush(stdout);
        lock.askRunningCopyToRaise();
        return 0;
    }

    QCoreApplication app(argc, argv);
    lock.listenForRaiseRequests([](const std::string &token) {
        std::printf("raised %s\n", token.c_str());
        std::fflush(stdout);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char byte;
        if (::read(STDIN_FILENO, &byte, 1) <= 0)
            QCoreApplication::quit();
    });
    std::puts("first");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
