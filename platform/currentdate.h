#pragma once

#include <ctime>

namespace platform {

struct CalendarDate
{
    int year = 0;
    int month = 0; // 1..12
    int day = 0; // 1..31

    friend bool operator==(const CalendarDate &, const CalendarDate &) = default;
};

// The date in the user's local time zone at the moment given: the month a
// user sees on the desk, which near midnight is not UTC's.
[[nodiscard]] CalendarDate localDate(std::time_t moment);

// Today's date in the user's local time zone.
[[nodiscard]] CalendarDate currentLocalDate();

} // namespace platform
