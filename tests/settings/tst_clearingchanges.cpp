#include "settings/settingsclearing.h"
#include "tests/support/configfolder.h"

#include <doctest/doctest.h>
#include <string>
#include <vector>

using shell::Message;

namespace {

struct RecordingWindow final : settings::ClearingWindow
{
    void setFolderCaption(const std::u16string &caption) override { captions.push_back(caption); }
    shell::MessageAnswer showMessage(const Message &message) override
    {
        messages.push_back(message);
        return shell::MessageAnswer::Ok;
    }

    std::vector<std::u16string> captions;
    std::vector<Message> messages;
};

} // namespace

// Another program keeps changing the settings file: the file stays as that
// program left it, and the user is told why nothing was deleted.
TEST_CASE("a settings file that keeps changing is left to the other program")
{
    const testsupport::TemporaryConfig config;
    std::string expected = "[Orveta]\nKey_Path=/opt/orveta\nPass_Wd=x\n";
    testsupport::writeFile(config.file(), expected);
    const testsupport::ScopedWriteHook hook([&] {
        REQUIRE(testsupport::appendToFile(config.file(), "Line=1\n"));
        expected += "Line=1\n";
    });
    RecordingWindow window;
    std::u16string installPath = u"/opt/orveta";

    settings::clearSettings(window, installPath);

    const std::string file = config.file();
    const std::u16string path(file.begin(), file.end()); // ASCII
    const Message failure{u"レジストリ情報を削除できませんでした。\r" + path
                              + u" : ほかのプログラムが同時に変更しています。",
                          u"ﾚｼﾞｽﾄﾘ削除", shell::MessageIcon::Exclamation,
                          shell::MessageButtons::Ok};
    REQUIRE(window.messages.size() == 3);
    CHECK(window.messages.back() == failure);
    CHECK(window.captions.empty());
    CHECK(installPath == u"/opt/orveta");
    CHECK(testsupport::readFile(config.file()) == expected);
    CHECK(config.entries() == std::set<std::string>{"KORVEL.ini"});
}
