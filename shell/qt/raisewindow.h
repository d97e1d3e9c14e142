#pragma once

#include <functional>
#include <string>

class QObject;
class QWidget;

namespace platform {
class InstanceLock;
}

namespace shell {

// Brings the window to the front for a later start of the tool: out of the
// taskbar if minimised, above the other windows, with the keyboard focus.
// activationToken is what the desktop gave that start (possibly empty).
void raiseWindow(QWidget *window, const std::string &activationToken);

// For the copy that holds the lock: calls raise with the activation token
// of every later start that asks, from Qt's event loop, for as long as
// owner lives. Told on standard error when later starts cannot be heard.
void hearRaiseRequests(platform::InstanceLock &lock, QObject *owner,
                       std::function<void(const std::string &activationToken)> raise);

} // namespace shell
