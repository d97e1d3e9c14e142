#pragma once

#include <string>

// The file presence probe the deletion run asks before it deletes a month's
// data file.
namespace deletion {

// True when the file at path is present: it can be opened for reading now,
// is a regular file and no other program is using it. A path that ends in
// the separator loses that last character, in the caller's variable too.
// Never reports an error and leaves nothing open.
[[nodiscard]] bool probeFilePresence(std::u16string &path);

} // namespace deletion
