// The file-manager item loads shell32.dll from System32 alone, never a DLL
// of that name in the program's folder. This program runs in a folder that
// holds such a DLL (planted-dll.cpp), under WINEDLLOVERRIDES=shell32=n,b so
// that Wine, like Windows, would take a DLL it finds there.
#include "shell/win32/filemanager.h"

#include <doctest/doctest.h>

#include <cwctype>
#include <string>
#include <windows.h>

namespace {

std::wstring ownFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

const std::wstring mark = ownFolder() + L"planted-dll-was-loaded";

bool planted()
{
    return GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

// Without this, the case below could pass because the planted DLL is never
// found at all.
TEST_CASE("a plain load in this folder takes the planted DLL")
{
    DeleteFileW(mark.c_str());
    std::wstring commandLine = L"\"" + ownFolder() + L"plain-loader.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    REQUIRE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &process));
    // Bounded by the test's own timeout, never by a wait that load can pass.
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CHECK(exitCode == 0);
    CHECK(planted());
    DeleteFileW(mark.c_str());
}

TEST_CASE("the file-manager item loads shell32 from System32")
{
    DeleteFileW(mark.c_str());
    REQUIRE(GetModuleHandleW(L"shell32.dll") == nullptr);
    shell::openFileManager();
    CHECK(!planted());
    const HMODULE shell32 = GetModuleHandleW(L"shell32.dll");
    REQUIRE(shell32 != nullptr);
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(shell32, path.data(), DWORD(path.size())));
    for (wchar_t &c : path)
        c = wchar_t(std::towlower(wint_t(c)));
    CHECK(path.find(L"\\system32\\shell32.dll") != std::wstring::npos);
}
