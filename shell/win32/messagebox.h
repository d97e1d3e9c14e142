#pragma once

#include "shell/message.h"

#include <windows.h>

namespace shell {

// Shows a modal message box over owner (or none) and waits for the answer:
// the message's lines, each kept within the box's width, the buttons named
// in Japanese, OK the default. dpi is owner's, or the system's without one.
MessageAnswer showMessageBox(HWND owner, UINT dpi, const Message &message);

} // namespace shell
