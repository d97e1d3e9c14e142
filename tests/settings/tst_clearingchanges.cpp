// The clearing, when another program keeps changing the settings file.
#include "settings/settingsclearing.h"
#include "tests/support/configfolder.h"

#include <doctest/doctest.h>
#include <string>
#include <vector>

namespace {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

struct RecordingWindow final : settings::ClearingWindow
{
    void setFolderCaption(const std::u16string &caption) override { captions.push_back(caption); }
    MessageAnswer showMessage(const Message &message) override
    {
        messages.push_back(message);
        return MessageAnswer::Ok;
    }

    std::vector<std::u16string> captions;
    std::vector<Message> messages;
};

std::u16string ascii(const std::string &text)
{
    return {text.begin(), text.end()};
}

} // namespace

// The file stays as the other program left it, and the user is told why
// nothing was deleted.
TEST_CASE("a settings file that keeps changing is left to the other program")
{
    const testsupport::TemporaryConfig config;
    std::string expected = "[Orveta]\nKey_Path=/opt/orveta\nPass_Wd=x\n";
    testsupport::writeFile(config.file(), expected);
    int writes = 0;
    const testsupport::ScopedWriteHook hook([&] {
        const std::string line = "Line" + std::to_string(++writes) + "=1\n";
        REQUIRE(testsupport::appendToFile(config.file(), line));
        expected += line;
    });
    RecordingWindow window;
    std::u16string installPath = u"/opt/orveta";

    settings::clearSettings(window, installPath);

    REQUIRE(window.messages.size() == 3);
    const Message failure{u"レジストリ情報を削除できませんでした。\r" + ascii(config.file())
                              + u" : ほかのプログラムが同時に変更しています。",
                          u"ﾚｼﾞｽﾄﾘ削除", MessageIcon::Exclamation, MessageButtons::Ok};
    CHECK(window.messages.back() == failure);
    CHECK(window.captions.empty());
    CHECK(installPath == u"/opt/orveta");
    CHECK(testsupport::readFile(config.file()) == expected);
    CHECK(config.entries() == std::set<std::string>{"KORVEL.ini"});
}
