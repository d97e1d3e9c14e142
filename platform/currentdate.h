#pragma once

namespace platform {

struct CalendarDate
{
    int year = 0;
    int month = 0; // 1..12
    int day = 0; // 1..31
};

// Today's date in the user's local time zone.
[[nodiscard]] CalendarDate currentLocalDate();

} // namespace platform
