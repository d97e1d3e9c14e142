#include "shell/win32/filemanager.h"

#include <windows.h>

namespace shell {

void openFileManager()
{
    // shell32 and the dozen DLLs it brings along are loaded only here, when
    // the menu item is used, so that start-up does not wait for them; from
    // System32 alone, like every DLL the program loads. It stays loaded:
    // ShellExecuteW may leave work to threads of its own.
    const HMODULE shell32 = ::LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!shell32)
        return;
    using ShellExecuteFunction = HINSTANCE(WINAPI *)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    // GetProcAddress gives a generic pointer that has to be cast back to the
    // function's real type.
    const auto shellExecute = reinterpret_cast<ShellExecuteFunction>(
        reinterpret_cast<void *>(::GetProcAddress(shell32, "ShellExecuteW")));
    if (!shellExecute)
        return;
    // A new Explorer window, as Win+E opens one; a failure has nothing the
    // user could act on.
    shellExecute(nullptr, L"open", L"explorer.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace shell
