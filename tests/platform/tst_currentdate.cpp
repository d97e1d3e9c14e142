// Today's date, as the two month lists are preset from it.

#include "platform/currentdate.h"

#include <ctime>
#include <doctest/doctest.h>

// Read between two readings of the clock, today is the local date of one
// of them, midnight passing in between or not; the C library reads the same
// time zone another way.
TEST_CASE("today is the local date")
{
    const std::time_t before = std::time(nullptr);
    const platform::CalendarDate today = platform::currentLocalDate();
    const std::time_t after = std::time(nullptr);
    CHECK((today == platform::localDate(before) || today == platform::localDate(after)));

    const std::tm local = *std::localtime(&before);
    const platform::CalendarDate expected{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    CHECK(platform::localDate(before) == expected);
}
