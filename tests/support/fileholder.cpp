// Holds a file open, as another program using a data file would, until its
// standard input closes:
//   fileholder PATH ACCESS SHARING
// ACCESS is read, write or readwrite; SHARING is none or the letters of what
// others may do meanwhile: R (read), W (write), D (delete), such as RD.
// Prints "ready" once the file is open, or "failed CODE".

#include <cstdio>
#include <string_view>
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 4) {
        std::fputs("usage: fileholder PATH read|write|readwrite none|[R][W][D]\n", stderr);
        return 2;
    }
    const std::wstring_view accessName = argv[2];
    DWORD access = 0;
    if (accessName == L"read")
        access = GENERIC_READ;
    else if (accessName == L"write")
        access = GENERIC_WRITE;
    else if (accessName == L"readwrite")
        access = GENERIC_READ | GENERIC_WRITE;
    else
        return 2;
    const std::wstring_view sharing = argv[3];
    DWORD share = 0;
    if (sharing != L"none") {
        for (const wchar_t letter : sharing) {
            if (letter == L'R')
                share |= FILE_SHARE_READ;
            else if (letter == L'W')
                share |= FILE_SHARE_WRITE;
            else if (letter == L'D')
                share |= FILE_SHARE_DELETE;
            else
                return 2;
        }
    }

    const HANDLE file = ::CreateFileW(argv[1], access, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("failed %lu\n", ::GetLastError());
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);

    // The end of input is the holder's signal, and comes also when the test
    // that started us dies.
    char buffer[64];
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr)
           && read > 0) { }
    ::CloseHandle(file);
    return 0;
}
