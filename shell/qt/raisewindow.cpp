#include "shell/qt/raisewindow.h"

#include <QWidget>

namespace shell {
void raiseWindow(QWidget *window, const std::string &)
{
    window->raise();
    window->activateWindow();
}
} // namespace shell
