#include "platform/instancelock.h"
#include "shell/fonts.h"
#include "shell/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // A second copy ends at once, without a word and without a window: it
    // does not even connect to the display.
    platform::InstanceLock instanceLock;
    if (!instanceLock.tryAcquire())
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orveta-workdata-delete"));
    QApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("jp.solcana.OrvetaWorkdataDelete"));

    // Message boxes are windows of their own and take the application font.
    QApplication::setFont(shell::gothicFont(9));

    Form1 window;
    window.show();
    return QApplication::exec();
}
