#pragma once

#include "platform/currentdate.h"

#include <windows.h>

namespace platform {

// The calendar date of a moment given in UTC, in a time zone: the one given,
// or the user's as the system keeps it when none is.
[[nodiscard]] CalendarDate localDate(const SYSTEMTIME &utc,
                                     const TIME_ZONE_INFORMATION *zone = nullptr);

} // namespace platform
