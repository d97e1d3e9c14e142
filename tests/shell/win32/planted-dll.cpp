// Stands in for a DLL that a download left in the folder a program was
// started from, named like a Windows DLL (it is built as shell32.dll): when
// it is loaded it leaves the file planted-dll-was-loaded beside itself.
#include <windows.h>

#include <cwchar>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    constexpr wchar_t markName[] = L"planted-dll-was-loaded";
    wchar_t path[MAX_PATH + sizeof markName / sizeof(wchar_t)] = {};
    if (!GetModuleFileNameW(self, path, MAX_PATH))
        return TRUE;
    wchar_t *name = std::wcsrchr(path, L'\\');
    std::wcscpy(name ? name + 1 : path, markName);
    const HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark != INVALID_HANDLE_VALUE)
        CloseHandle(mark);
    return TRUE;
}
