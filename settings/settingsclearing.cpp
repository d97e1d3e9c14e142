#include "settings/settingsclearing.h"

#include "platform/settingsstore.h"
#include "settings/productsettings.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace settings {
namespace {

using platform::CR;
using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

const QString kTitle = u"ﾚｼﾞｽﾄﾘ削除"_s;

bool confirmed(ClearingWindow &window, const QString &question)
{
    const Message message{question, kTitle, MessageIcon::Question, MessageButtons::OkCancel};
    return window.showMessage(message) == MessageAnswer::Ok;
}

void tell(ClearingWindow &window, const QString &text)
{
    window.showMessage({text, kTitle, MessageIcon::Exclamation, MessageButtons::Ok});
}

} // namespace

void clearSettings(ClearingWindow &window, QString &installPath)
{
    if (!isInstalled(installPath)) {
        window.showMessage(notInstalledNotice());
        return;
    }
    if (!confirmed(window, u"「ORVETA」のレジストリ情報を削除しますか？"_s))
        return;
    if (!confirmed(window, u"本当にレジストリ情報を削除しますか？"_s))
        return;

    // The folder goes first; a key deleted before a failure stays deleted.
    for (const QString &key : {kKeyPath, kPassWd}) {
        const platform::SettingDeletion deletion
            = platform::deleteSetting(kApplication, kSection, key);
        switch (deletion.outcome) {
        case platform::SettingDeletion::Outcome::Deleted:
            continue;
        case platform::SettingDeletion::Outcome::NotFound:
            tell(window, u"レジストリ情報の登録がありません。"_s);
            return;
        case platform::SettingDeletion::Outcome::NotWritable:
            tell(window, u"レジストリ情報を削除できませんでした。"_s + CR
                             + QDir::toNativeSeparators(deletion.storePath) + u" : "_s
                             + deletion.reason);
            return;
        }
    }

    window.setFolderCaption(QString());
    installPath = readInstallPath();
    if (isInstalled(installPath))
        window.setFolderCaption(dataFolderText(installPath));
    tell(window, u"レジストリ情報を削除しました。"_s);
}

} // namespace settings
