#include "settings/productsettings.h"

#include "platform/filesystem.h"
#include "platform/settingsstore.h"
#include "platform/text.h"
#include "shell/texts.h"

namespace settings {

std::u16string readInstallPath()
{
    return platform::readSetting(kApplication, kSection, kKeyPath);
}

bool isInstalled(std::u16string_view installPath)
{
    // Characters, not UTF-16 units: a folder name may hold characters beyond
    // the basic plane. A relative folder would make the data files depend on
    // the folder the tool was started from.
    return platform::characterCount(installPath) > 2 && platform::isAbsolutePath(installPath);
}

std::u16string dataFolderText(std::u16string_view installPath)
{
    return std::u16string(installPath) + platform::kPathSeparator + u"data";
}

shell::Message notInstalledNotice()
{
    return {
        .text = std::u16string(texts::kNotInstalled),
        .title = std::u16string(texts::kDeletionTitle),
        .icon = shell::MessageIcon::Exclamation,
        .buttons = shell::MessageButtons::Ok,
    };
}

} // namespace settings
