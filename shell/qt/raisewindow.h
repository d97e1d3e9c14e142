#pragma once

#include <string>

class QWidget;

namespace shell {
void raiseWindow(QWidget *window, const std::string &activationToken);
}
