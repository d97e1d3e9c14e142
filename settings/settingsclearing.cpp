#include "settings/settingsclearing.h"

#include "platform/settingsstore.h"
#include "settings/productsettings.h"
#include "shell/texts.h"

namespace settings {
namespace {

using shell::Message;
using shell::MessageAnswer;
using shell::MessageButtons;
using shell::MessageIcon;

bool confirmed(ClearingWindow &window, std::u16string_view question)
{
    const Message message{std::u16string(question), std::u16string(texts::kClearingTitle),
                          MessageIcon::Question, MessageButtons::OkCancel};
    return window.showMessage(message) == MessageAnswer::Ok;
}

void tell(ClearingWindow &window, std::u16string_view text)
{
    window.showMessage({std::u16string(text), std::u16string(texts::kClearingTitle),
                        MessageIcon::Exclamation, MessageButtons::Ok});
}

} // namespace

void clearSettings(ClearingWindow &window, std::u16string &installPath)
{
    if (!isInstalled(installPath)) {
        window.showMessage(notInstalledNotice());
        return;
    }
    if (!confirmed(window, texts::kFirstClearingQuestion))
        return;
    if (!confirmed(window, texts::kSecondClearingQuestion))
        return;

    // The folder goes first; deleted before a failure, it stays deleted.
    if (const platform::Result<> deleted
        = platform::deleteSettings(kApplication, kSection, {kKeyPath, kPassWd});
        !deleted) {
        if (deleted.error().kind == platform::ErrorKind::NotFound)
            tell(window, texts::kNothingRegistered);
        else
            tell(window,
                 texts::fill(texts::kClearingFailed,
                             {texts::fill(texts::kFailedAt,
                                          {platform::settingsStorePath(kApplication, kSection),
                                           texts::failureReason(deleted.error())})}));
        return;
    }

    window.setFolderCaption({});
    installPath = readInstallPath();
    if (isInstalled(installPath))
        window.setFolderCaption(dataFolderText(installPath));
    tell(window, texts::kCleared);
}

} // namespace settings
