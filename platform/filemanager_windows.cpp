// Provisional Windows version, enough to build and try the Win32 window;
// the platform layer's full version replaces it.
#include "platform/filemanager.h"

#include <windows.h>
// Windows' own headers after windows.h, which they build on.
#include <shellapi.h>

namespace platform {

void openFileManager()
{
    ShellExecuteW(nullptr, L"open", L"explorer.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace platform
