#pragma once

#include "shell/message.h"

class QWidget;

namespace shell {

// Shows a fresh modal message box over parent and waits for the answer.
// OK is the default button. A box with Cancel answers Cancel to Escape and
// to its close button, and any answer other than OK counts as Cancel; a box
// with OK alone can only be acknowledged.
MessageAnswer showMessageBox(QWidget *parent, const Message &message);

} // namespace shell
