#include "settings/productsettings.h"

#include "platform/filesystem.h"
#include "platform/settingsstore.h"
#include "platform/text.h"

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

platform::Message notInstalledNotice()
{
    using platform::CR;
    return {
        .text = std::u16string(u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      ") + CR
                + u"一度も起動していない可能性があります。" + CR + CR + u"中止します・・・・・",
        .title = u"勤務ﾃﾞｰﾀ削除",
        .icon = platform::MessageIcon::Exclamation,
        .buttons = platform::MessageButtons::Ok,
    };
}

} // namespace settings
