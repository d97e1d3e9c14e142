#include "settings/productsettings.h"

#include "platform/settingsstore.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace settings {

QString readInstallPath()
{
    return platform::readSetting(kApplication, kSection, kKeyPath);
}

bool isInstalled(const QString &installPath)
{
    // Characters, not UTF-16 units: a folder name may hold characters
    // beyond the basic plane.
    return installPath.toUcs4().size() > 2;
}

QString dataFolderText(const QString &installPath)
{
    return installPath + QDir::separator() + u"data"_s;
}

platform::Message notInstalledNotice()
{
    using platform::CR;
    return {
        .text = u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      "_s + QString(CR)
                + u"一度も起動していない可能性があります。"_s + CR + CR + u"中止します・・・・・"_s,
        .title = QStringLiteral("勤務ﾃﾞｰﾀ削除"),
        .icon = platform::MessageIcon::Exclamation,
        .buttons = platform::MessageButtons::Ok,
    };
}

} // namespace settings
