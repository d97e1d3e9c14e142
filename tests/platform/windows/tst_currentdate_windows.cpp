// The date the month lists are preset from, on Windows: the local one.

#include "platform/windows/localdate.h"

#include <doctest/doctest.h>

namespace {

SYSTEMTIME utcMoment(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME moment = {};
    moment.wYear = year;
    moment.wMonth = month;
    moment.wDay = day;
    moment.wHour = hour;
    moment.wMinute = minute;
    return moment;
}

} // namespace

TEST_CASE("a moment in UTC falls on the date of the time zone")
{
    TIME_ZONE_INFORMATION tokyo = {};
    tokyo.Bias = -9 * 60; // UTC+9, no summer time
    TIME_ZONE_INFORMATION newYork = {};
    newYork.Bias = 5 * 60; // UTC-5, summer time left out
    struct Row
    {
        SYSTEMTIME utc;
        const TIME_ZONE_INFORMATION &zone;
        platform::CalendarDate local;
    };
    const Row rows[] = {
        // 00:30 on the 1st in Tokyo, still the month before in UTC.
        {utcMoment(2026, 11, 30, 15, 30), tokyo, {2026, 12, 1}},
        {utcMoment(2004, 12, 31, 15, 30), tokyo, {2005, 1, 1}},
        {utcMoment(2002, 6, 15, 12, 0), tokyo, {2002, 6, 15}},
        // Evening in New York, already the next month in UTC.
        {utcMoment(2030, 1, 1, 2, 0), newYork, {2029, 12, 31}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.utc.wYear);
        CAPTURE(row.utc.wMonth);
        CAPTURE(row.utc.wDay);
        const platform::CalendarDate date = platform::localDate(row.utc, &row.zone);
        CHECK(date.year == row.local.year);
        CHECK(date.month == row.local.month);
        CHECK(date.day == row.local.day);
    }
}

// Run with TZ set to a zone far from UTC (Wine follows TZ), where the local
// date differs from UTC's for half the day or more.
TEST_CASE("today is the date of the user's time zone")
{
    TIME_ZONE_INFORMATION zone = {};
    ::GetTimeZoneInformation(&zone);
    REQUIRE(zone.Bias != 0);
    const auto localOf = [&zone](const SYSTEMTIME &utc) {
        FILETIME time = {};
        ::SystemTimeToFileTime(&utc, &time);
        ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
        ticks.QuadPart -= ULONGLONG(LONGLONG(zone.Bias) * 60 * 10'000'000);
        time = {ticks.LowPart, ticks.HighPart};
        SYSTEMTIME local = {};
        ::FileTimeToSystemTime(&time, &local);
        return platform::CalendarDate{local.wYear, local.wMonth, local.wDay};
    };
    SYSTEMTIME before = {};
    ::GetSystemTime(&before);
    const platform::CalendarDate today = platform::currentLocalDate();
    SYSTEMTIME after = {};
    ::GetSystemTime(&after);
    // Midnight may pass in between: then either side's date will do.
    CHECK((today == localOf(before) || today == localOf(after)));
}
