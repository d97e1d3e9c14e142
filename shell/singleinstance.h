#pragma once

#include "platform/instancelock.h"

namespace shell {

// The single-instance rule, as every start applies it before it makes a
// window: true when this copy goes on, false when another copy runs and has
// been asked to come to the front. A lock that could not be checked lets
// the copy go on. What kept the lock from its usual place, and a running
// copy that could not be asked, are told on standard error, for whoever
// started the tool from a terminal; a message box would stop every start
// for something the user cannot act on.
[[nodiscard]] bool startAsOnlyCopy(platform::InstanceLock &lock);

} // namespace shell
