#include "platform/instancelock.h"
#include "shell/singleinstance.h"
#include "shell/win32/application.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // Before anything else: every DLL loaded from now on, by the program or
    // by Windows' own DLLs on its behalf, comes from System32 alone, never
    // from the folder the program was started from, such as a Downloads
    // folder that holds other DLLs.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    // A second copy brings the running one to the front and ends without a
    // window of its own.
    platform::InstanceLock instanceLock;
    if (!shell::startAsOnlyCopy(instanceLock))
        return 0;
    return shell::runMainWindow(instance, showCommand);
}
