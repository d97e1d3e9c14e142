// The settings clearing of the File menu with a stand-in for the window,
// against the store of the system it runs on.

#include "settings/settingsclearing.h"
#include "tests/support/recordingwindow.h"
#include "tests/support/storedsettings.h"
#include "tests/support/u16text.h"

#include <doctest/doctest.h>
#include <optional>
#include <string>
#include <vector>

using namespace testsupport;
using shell::Message;
using shell::MessageAnswer;
using shell::MessageButtons;
using shell::MessageIcon;

namespace {

const std::u16string kTitle = u"ﾚｼﾞｽﾄﾘ削除";
const std::vector<Message> kConfirmed{{u"「ORVETA」のレジストリ情報を削除しますか？", kTitle,
                                       MessageIcon::Question, MessageButtons::OkCancel},
                                      {u"本当にレジストリ情報を削除しますか？", kTitle,
                                       MessageIcon::Question, MessageButtons::OkCancel}};
const Message kNothingRegistered{u"レジストリ情報の登録がありません。", kTitle,
                                 MessageIcon::Exclamation, MessageButtons::Ok};
const Message kCleared{u"レジストリ情報を削除しました。", kTitle, MessageIcon::Exclamation,
                       MessageButtons::Ok};

std::vector<Message> operator+(std::vector<Message> messages, const Message &message)
{
    messages.push_back(message);
    return messages;
}

// One clearing, started from a window that shows kOrvetaFolder.
struct Clearing
{
    const char *name;
    std::vector<std::pair<std::u16string, std::u16string>> stored;
    std::vector<Message> messages;
    bool folderAfter, passwordAfter; // still stored afterwards
    std::u16string installPath; // afterwards
    std::vector<std::u16string> captions = {}; // Label1's
    std::vector<MessageAnswer> answers = {};
};

} // namespace

// What was deleted before a missing entry stays deleted; the window keeps
// its folder all the same. Nothing but the two entries goes.
TEST_CASE("the stored folder and password go after two confirmations")
{
    using Values = std::vector<std::pair<std::u16string, std::u16string>>;
    const std::pair<std::u16string, std::u16string> folder{u"Key_Path", kOrvetaFolder};
    const std::pair<std::u16string, std::u16string> password{u"Pass_Wd", u"x"};
    const std::pair<std::u16string, std::u16string> other{u"Other", u"日本語"};
    const Values all{folder, password, other};
    const std::vector<Message> firstQuestionOnly{kConfirmed.front()};
    const std::vector<std::u16string> emptied{u""};
    const std::vector<std::u16string> untouched;
    const std::vector<MessageAnswer> cancelFirst{MessageAnswer::Cancel};
    const std::vector<MessageAnswer> cancelSecond{MessageAnswer::Ok, MessageAnswer::Cancel};
    const Clearing rows[] = {
        {"folder and password", all, kConfirmed + kCleared, false, false, u"", emptied},
        {"cancelled first", all, firstQuestionOnly, true, true, kOrvetaFolder, untouched,
         cancelFirst},
        {"cancelled second", all, kConfirmed, true, true, kOrvetaFolder, untouched, cancelSecond},
        {"password missing", Values{folder, other}, kConfirmed + kNothingRegistered, false, false,
         kOrvetaFolder},
        {"folder missing", Values{password, other}, kConfirmed + kNothingRegistered, false, true,
         kOrvetaFolder},
        {"nothing stored", Values(), kConfirmed + kNothingRegistered, false, false, kOrvetaFolder},
    };
    for (const Clearing &row : rows) {
        CAPTURE(row.name);
        StoredSettings settings;
        settings.store(row.stored);
        ClearingWindowStandIn window;
        window.answers.assign(row.answers.begin(), row.answers.end());
        std::u16string installPath = kOrvetaFolder;

        settings::clearSettings(window, installPath);

        CHECK(window.messages == row.messages);
        CHECK(window.captions == row.captions);
        CHECK(installPath == row.installPath);
        CHECK(settings.holds(u"Key_Path") == row.folderAfter);
        CHECK(settings.holds(u"Pass_Wd") == row.passwordAfter);
        CHECK(settings.holds(u"Other") == !row.stored.empty());
    }
}

TEST_CASE("once cleared, the window's folder counts as not installed")
{
    StoredSettings settings;
    settings.store({{u"Key_Path", kOrvetaFolder}, {u"Pass_Wd", u"x"}});
    std::u16string installPath = kOrvetaFolder;
    ClearingWindowStandIn first;
    settings::clearSettings(first, installPath);
    ClearingWindowStandIn second;
    settings::clearSettings(second, installPath);
    const Message notInstalled{u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      \r"
                               u"一度も起動していない可能性があります。\r\r中止します・・・・・",
                               u"勤務ﾃﾞｰﾀ削除", MessageIcon::Exclamation, MessageButtons::Ok};
    CHECK(second.messages == std::vector{notInstalled});
    CHECK(second.captions.empty());
}
