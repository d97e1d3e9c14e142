// Renders the main window to a PNG, for the README and for looking at it.
// Usage: window-snapshot OUTPUT.png
#include "shell/qt/fonts.h"
#include "shell/qt/mainwindow.h"

#include <QApplication>
#include <QPixmap>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QApplication::setFont(shell::gothicFont(9));
    shell::MainWindow window;
    window.show();
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
