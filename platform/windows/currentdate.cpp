#include "platform/currentdate.h"

#include "platform/windows/localdate.h"

namespace platform {

CalendarDate localDate(const SYSTEMTIME &utc, const TIME_ZONE_INFORMATION *zone)
{
    SYSTEMTIME local = {};
    if (!::SystemTimeToTzSpecificLocalTime(zone, &utc, &local))
        local = utc; // only for a moment outside what the system can convert
    return {local.wYear, local.wMonth, local.wDay};
}

CalendarDate currentLocalDate()
{
    SYSTEMTIME utc = {};
    ::GetSystemTime(&utc);
    return localDate(utc);
}

} // namespace platform
