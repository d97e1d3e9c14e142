#include "platform/currentdate.h"

#include <windows.h>

namespace platform {

CalendarDate currentLocalDate()
{
    SYSTEMTIME local = {};
    ::GetLocalTime(&local);
    return {local.wYear, local.wMonth, local.wDay};
}

} // namespace platform
