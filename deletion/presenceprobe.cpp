#include "deletion/presenceprobe.h"

namespace deletion {

std::optional<platform::DataFile> probeFilePresence(const platform::DataFolder &folder,
                                                    std::u16string &name)
{
    if (name.empty())
        return std::nullopt;
    if (name.back() == platform::kPathSeparator)
        name.pop_back();
    return folder.openFile(name);
}

} // namespace deletion
