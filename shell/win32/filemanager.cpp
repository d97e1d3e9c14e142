#include "shell/win32/filemanager.h"

#include <windows.h>
// shellapi.h builds on windows.h
#include <shellapi.h>

namespace shell {

void openFileManager()
{
    // A failure has nothing the user could act on.
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace shell
