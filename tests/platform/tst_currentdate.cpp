// Today's date, as the two month lists are preset from it.

#include "platform/currentdate.h"

#include <ctime>
#include <doctest/doctest.h>

TEST_CASE("today is the local date")
{
    // The C library reads the same clock and time zone another way.
    const platform::CalendarDate today = platform::currentLocalDate();
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    if (platform::currentLocalDate().day != today.day)
        return; // midnight passed in between
    CHECK(today.year == local.tm_year + 1900);
    CHECK(today.month == local.tm_mon + 1);
    CHECK(today.day == local.tm_mday);
}
