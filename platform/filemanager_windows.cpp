#include "platform/filemanager.h"

#include <windows.h>
// shellapi.h builds on windows.h
#include <shellapi.h>

namespace platform {

void openFileManager()
{
    // A new Explorer window, as Win+E opens one; a failure has nothing the
    // user could act on.
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace platform
