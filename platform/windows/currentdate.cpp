#include "platform/currentdate.h"

#include <windows.h>

namespace platform {

CalendarDate localDate(std::time_t moment)
{
    // FILETIME counts 100-nanosecond steps from 1601.
    const ULONGLONG ticks = ULONGLONG(moment) * 10'000'000ULL + 116'444'736'000'000'000ULL;
    const FILETIME utcTime{DWORD(ticks), DWORD(ticks >> 32)};
    SYSTEMTIME utc = {}, local = {};
    if (!::FileTimeToSystemTime(&utcTime, &utc)
        || !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return {};
    return {local.wYear, local.wMonth, local.wDay};
}

CalendarDate currentLocalDate()
{
    SYSTEMTIME local = {};
    ::GetLocalTime(&local);
    return {local.wYear, local.wMonth, local.wDay};
}

} // namespace platform
