#pragma once

#include "platform/filesystem.h"

#include <optional>
#include <string>

// The file presence probe the deletion run asks before it deletes a month's
// data file.
namespace deletion {

// The file of that name in the open data folder, opened, when it is present:
// it can be opened for reading now, is a regular file (or a link) and no
// other program is using it; nullopt otherwise. A name that ends in the
// separator loses that last character, in the caller's variable too. Never
// reports an error.
[[nodiscard]] std::optional<platform::DataFile>
probeFilePresence(const platform::DataFolder &folder, std::u16string &name);

} // namespace deletion
