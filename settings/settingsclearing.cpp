#include "settings/settingsclearing.h"

#include "platform/settingsstore.h"
#include "settings/productsettings.h"
#include "shell/texts.h"

namespace settings {
namespace {

using platform::CR;
using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

constexpr std::u16string_view kTitle = u"ﾚｼﾞｽﾄﾘ削除";

bool confirmed(ClearingWindow &window, std::u16string question)
{
    const Message message{std::move(question), std::u16string(kTitle), MessageIcon::Question,
                          MessageButtons::OkCancel};
    return window.showMessage(message) == MessageAnswer::Ok;
}

void tell(ClearingWindow &window, std::u16string text)
{
    window.showMessage(
        {std::move(text), std::u16string(kTitle), MessageIcon::Exclamation, MessageButtons::Ok});
}

} // namespace

void clearSettings(ClearingWindow &window, std::u16string &installPath)
{
    if (!isInstalled(installPath)) {
        window.showMessage(notInstalledNotice());
        return;
    }
    if (!confirmed(window, u"「ORVETA」のレジストリ情報を削除しますか？"))
        return;
    if (!confirmed(window, u"本当にレジストリ情報を削除しますか？"))
        return;

    // The folder goes first; a key deleted before a failure stays deleted.
    for (const std::u16string_view key : {kKeyPath, kPassWd}) {
        const platform::SettingDeletion deletion
            = platform::deleteSetting(kApplication, kSection, key);
        switch (deletion.outcome) {
        case platform::SettingDeletion::Outcome::Deleted:
            continue;
        case platform::SettingDeletion::Outcome::NotFound:
            tell(window, u"レジストリ情報の登録がありません。");
            return;
        case platform::SettingDeletion::Outcome::NotWritable:
            tell(window, std::u16string(u"レジストリ情報を削除できませんでした。") + CR
                             + deletion.storePath + u" : "
                             + texts::failureReason(deletion.error));
            return;
        }
    }

    window.setFolderCaption({});
    installPath = readInstallPath();
    if (isInstalled(installPath))
        window.setFolderCaption(dataFolderText(installPath));
    tell(window, u"レジストリ情報を削除しました。");
}

} // namespace settings
