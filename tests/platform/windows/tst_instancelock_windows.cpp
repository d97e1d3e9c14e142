// The single-instance lock on Windows: a named mutex of the user's session.

#include "platform/instancelock.h"

#include <doctest/doctest.h>
#include <memory>

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
