#include "platform/instancelock.h"
#include "shell/singleinstance.h"
#include "shell/win32/application.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // A second copy brings the running one to the front and ends without a
    // window of its own.
    platform::InstanceLock instanceLock;
    if (!shell::startAsOnlyCopy(instanceLock))
        return 0;
    return shell::runMainWindow(instance, showCommand);
}
