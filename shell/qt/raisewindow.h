#pragma once

#include <string>

class QWidget;

namespace shell {

// Brings the window to the front for a later start of the tool: out of the
// taskbar if minimised, above the other windows, with the keyboard focus.
// activationToken is what the desktop gave that start (possibly empty).
void raiseWindow(QWidget *window, const std::string &activationToken);

} // namespace shell
