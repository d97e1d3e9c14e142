#include "deletion/presenceprobe.h"

#include "platform/filesystem.h"

namespace deletion {

bool probeFilePresence(std::u16string &path)
{
    if (path.empty())
        return false;
    if (path.back() == platform::kPathSeparator)
        path.pop_back();
    return platform::isFreeRegularFile(path);
}

} // namespace deletion
