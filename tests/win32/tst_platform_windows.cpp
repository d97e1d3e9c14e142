#include "platform/currentdate.h"
#include "platform/instancelock.h"
#include "tests/win32/check.h"

#include <ctime>
#include <memory>

TEST_CASE(onlyOneCopyHoldsTheLock)
{
    // Locks in one process meet the same named mutex as copies of the tool do.
    auto first = std::make_unique<platform::InstanceLock>();
    CHECK(first->tryAcquire() == true);
    CHECK(first->tryAcquire() == true);
    platform::InstanceLock second;
    CHECK(second.tryAcquire() == false);

    // The copy that was turned away keeps nothing that would block a later
    // start once the first has ended.
    first.reset();
    platform::InstanceLock later;
    CHECK(later.tryAcquire() == true);
}

TEST_CASE(todayIsTheLocalDate)
{
    // The C library reads the same clock and time zone another way.
    const platform::CalendarDate today = platform::currentLocalDate();
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    if (platform::currentLocalDate().day != today.day)
        return; // midnight passed in between
    CHECK_EQ(today.year, local.tm_year + 1900);
    CHECK_EQ(today.month, local.tm_mon + 1);
    CHECK_EQ(today.day, local.tm_mday);
}
