// Loads shell32.dll by its name alone, with the default search order, which
// looks in the program's own folder first; ends with 0 when it loaded.
#include <windows.h>

int wmain()
{
    return LoadLibraryW(L"shell32.dll") ? 0 : 1;
}
