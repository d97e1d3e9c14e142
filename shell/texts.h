#pragma once

#include "platform/result.h"

#include <string>

// The texts the user reads, in Japanese whatever the system's language.
namespace texts {

// Why something failed, for the line after a path in an error message: the
// system's own Japanese words where it has them, the program's for the
// failures users meet, and the system's words in its own language for the
// rest.
[[nodiscard]] std::u16string failureReason(const platform::SystemError &error);

} // namespace texts
