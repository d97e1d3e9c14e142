// Provisional Windows version, enough to build and try the Win32 window;
// the platform layer's full version replaces it.
#include "platform/currentdate.h"

#include <windows.h>

namespace platform {

CalendarDate currentLocalDate()
{
    SYSTEMTIME local = {};
    GetLocalTime(&local);
    return {local.wYear, local.wMonth, local.wDay};
}

} // namespace platform
