// Keeps Wine's desktop (explorer.exe /desktop) running while the start-up
// benchmark runs: Wine ends it shortly after the last program that used it,
// and a program that starts without one waits for a new desktop, half a
// second and more, which Windows never makes a program do. It joins the
// desktop, shows nothing, and waits until it is ended.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}
