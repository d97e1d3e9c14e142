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

    // The folder goes first; deleted before a failure, it stays deleted.
    if (const platform::Result<> deleted
        = platform::deleteSettings(kApplication, kSection, {kKeyPath, kPassWd});
        !deleted) {
        if (deleted.error().kind == platform::ErrorKind::NotFound)
            tell(window, u"レジストリ情報の登録がありません。");
        else
            tell(window, std::u16string(u"レジストリ情報を削除できませんでした。") + CR
                             + platform::settingsStorePath(kApplication, kSection) + u" : "
                             + texts::failureReason(deleted.error()));
        return;
    }

    window.setFolderCaption({});
    installPath = readInstallPath();
    if (isInstalled(installPath))
        window.setFolderCaption(dataFolderText(installPath));
    tell(window, u"レジストリ情報を削除しました。");
}

} // namespace settings
