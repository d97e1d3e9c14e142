// The single-instance lock on Windows: a named mutex of the user's session.

#include "platform/instancelock.h"

#include <doctest/doctest.h>
#include <memory>
#include <windows.h>

TEST_CASE("only one copy holds the lock")
{
    // Locks in one process meet the same named mutex as copies of the tool do.
    auto first = std::make_unique<platform::InstanceLock>();
    CHECK(first->tryAcquire() == true);
    CHECK(first->tryAcquire() == true);
    platform::InstanceLock second;
    CHECK(second.tryAcquire() == false);
    CHECK(second.problems().empty());

    // The copy that was turned away keeps nothing that would block a later
    // start once the first has ended.
    first.reset();
    platform::InstanceLock later;
    CHECK(later.tryAcquire() == true);
    // A later start raises the window itself: nothing to listen for.
    CHECK(later.listenForRaiseRequests() == std::nullopt);
}

// One copy per session: another user's session on the same machine, such
// as a second desktop on a terminal server, runs its own copy.
TEST_CASE("the lock is a mutex of the user's session, not of the machine")
{
    platform::InstanceLock lock;
    REQUIRE(lock.tryAcquire() == true);
    const HANDLE inSession = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\orveta-workdata-delete");
    CHECK(inSession != nullptr);
    const HANDLE onMachine = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\orveta-workdata-delete");
    CHECK(onMachine == nullptr);
    for (const HANDLE mutex : {inSession, onMachine})
        if (mutex)
            ::CloseHandle(mutex);
}
