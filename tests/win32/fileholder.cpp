// Holds a file open, as another program using a data file would, until its
// standard input closes:
//   fileholder PATH none|read|readwrite|all
// Prints "ready" once the file is open, or "failed CODE".

#include <cstdio>
#include <string_view>
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        std::fputs("usage: fileholder PATH none|read|readwrite|all\n", stderr);
        return 2;
    }
    const std::wstring_view sharing = argv[2];
    DWORD share = 0;
    if (sharing == L"read")
        share = FILE_SHARE_READ;
    else if (sharing == L"readwrite")
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    else if (sharing == L"all")
        share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    else if (sharing != L"none")
        return 2;

    // Read and write access, as a database engine opens its file.
    const HANDLE file = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
