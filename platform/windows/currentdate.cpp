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

CalendarDate localDate(std::time_t moment)
{
    // FILETIME counts 100-nanosecond steps from 1601.
    const ULONGLONG ticks = ULONGLONG(moment) * 10'000'000ULL + 116'444'736'000'000'000ULL;
    const FILETIME utcTime{DWORD(ticks), DWORD(ticks >> 32)};
    SYSTEMTIME utc = {};
    if (!::FileTimeToSystemTime(&utcTime, &utc))
        return {};
    return localDate(utc);
}

CalendarDate currentLocalDate()
{
    SYSTEMTIME utc = {};
    ::GetSystemTime(&utc);
    return localDate(utc);
}

} // namespace platform
