#pragma once

#include <windows.h>

namespace shell {

// Makes the main window, shows it and runs its message loop until it
// closes; returns the program's exit code. When the window cannot be made,
// a message box says why, in Japanese, and the code is 1.
int runMainWindow(HINSTANCE instance, int showCommand);

} // namespace shell
