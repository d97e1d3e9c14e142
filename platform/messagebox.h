#pragma once

#include "platform/messages.h"

class QWidget;

namespace platform {

// Shows a fresh modal message box over parent and waits for the answer.
// OK is the default button; Escape and the close button answer Cancel, and
// any answer other than OK counts as Cancel.
MessageAnswer showMessageBox(QWidget *parent, const Message &message);

} // namespace platform
