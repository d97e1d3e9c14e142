// The settings clearing on Linux, where the settings are a file that ORVETA
// and other programs share: it loses no byte of theirs.

#include "settings/settingsclearing.h"
#include "tests/support/configfolder.h"
#include "tests/support/posixfiles.h"
#include "tests/support/recordingwindow.h"
#include "tests/support/skip.h"
#include "tests/support/u16text.h"

#include <doctest/doctest.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

using shell::Message;
using testsupport::ClearingWindowStandIn;
using testsupport::TemporaryConfig;

namespace {

// A clearing drops the two lines and nothing else.
const std::string kStored = "# comment\n\n[General]\nA=1\n\n# about ORVETA\n\n[Orveta]\n"
                            "Key_Path=/opt/orveta\nPass_Wd=x\nOther=日本語\n\n[Z]\nB=a,b\\c\n";
const std::string kCleaned = "# comment\n\n[General]\nA=1\n\n# about ORVETA\n\n[Orveta]\n"
                             "Other=日本語\n\n[Z]\nB=a,b\\c\n";

// The failure message for the settings file at path, an ASCII path.
Message failure(const std::string &path, std::u16string_view reason)
{
    return {u"レジストリ情報を削除できませんでした。\r" + std::u16string(path.begin(), path.end())
                + u" : " + std::u16string(reason),
            u"ﾚｼﾞｽﾄﾘ削除", shell::MessageIcon::Exclamation, shell::MessageButtons::Ok};
}

} // namespace

// The file keeps every byte but the two entries' lines, its mode, and its
// place alone in its folder; a file that is not there is not made.
TEST_CASE("clearing takes out the two entries' lines and nothing else")
{
    const std::u16string cleared = u"レジストリ情報を削除しました。";
    const std::u16string nothing = u"レジストリ情報の登録がありません。";
    const std::u16string secondQuestion = u"本当にレジストリ情報を削除しますか？";
    const struct
    {
        const char *name;
        std::optional<std::string> stored, after; // nullopt: no settings file
        std::u16string lastMessage;
        std::vector<shell::MessageAnswer> answers = {};
    } rows[] = {
        {"comments, blank lines and other groups", kStored, kCleaned, cleared},
        // Both lines of a folder stored twice go: none is left to be read
        // again and have its data files deleted by the next OK.
        {"folder stored twice",
         "[Orveta]\r\nKey_Path=/srv/old\r\nKey_Path=/opt/orveta\r\nPass_Wd=x\r\n", "[Orveta]\r\n",
         cleared},
        {"cancelled first",
         kStored,
         kStored,
         u"「ORVETA」のレジストリ情報を削除しますか？",
         {shell::MessageAnswer::Cancel}},
        {"cancelled second",
         kStored,
         kStored,
         secondQuestion,
         {shell::MessageAnswer::Ok, shell::MessageAnswer::Cancel}},
        {"password missing", "[Orveta]\nKey_Path=/opt/orveta\nOther=1\n", "[Orveta]\nOther=1\n",
         nothing},
        {"folder missing", "[Orveta]\nPass_Wd=x\n", "[Orveta]\nPass_Wd=x\n", nothing},
        {"no settings file", std::nullopt, std::nullopt, nothing},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const TemporaryConfig config;
        if (row.stored) {
            REQUIRE(testsupport::writeFile(config.file(), *row.stored));
            REQUIRE(::chmod(config.file().c_str(), 0600) == 0);
        }
        ClearingWindowStandIn window;
        window.answers.assign(row.answers.begin(), row.answers.end());
        std::u16string installPath = u"/opt/orveta";

        settings::clearSettings(window, installPath);

        REQUIRE(!window.messages.empty());
        CHECK(window.messages.back().text == row.lastMessage);
        if (row.after) {
            CHECK(testsupport::readFile(config.file()) == *row.after);
            CHECK(testsupport::fileMode(config.file()) == 0600);
            CHECK(config.entries() == std::set<std::string>{"KORVEL.ini"});
        } else {
            CHECK(config.entries().empty());
        }
    }
}

TEST_CASE("a settings file that cannot be written is reported with its path and stays")
{
    const TemporaryConfig config;
    REQUIRE(testsupport::writeFile(config.file(), kStored));
    const testsupport::AttributeGuard immutable(config.file(), FS_IMMUTABLE_FL);
    if (!immutable.isSet())
        SKIP_TEST("this file system does not take the immutable attribute");
    ClearingWindowStandIn window;
    std::u16string installPath = u"/opt/orveta";

    settings::clearSettings(window, installPath);

    REQUIRE(window.messages.size() == 3);
    CHECK(window.messages.back() == failure(config.file(), u"アクセスが拒否されました。"));
    CHECK(window.captions.empty());
    CHECK(installPath == u"/opt/orveta");
    CHECK(testsupport::readFile(config.file()) == kStored);
}

// Another program keeps changing the settings file: the file stays as that
// program left it, and the user is told why nothing was deleted.
TEST_CASE("a settings file that keeps changing is left to the other program")
{
    const TemporaryConfig config;
    std::string expected = "[Orveta]\nKey_Path=/opt/orveta\nPass_Wd=x\n";
    REQUIRE(testsupport::writeFile(config.file(), expected));
    const testsupport::ScopedWriteHook hook([&] {
        REQUIRE(testsupport::appendToFile(config.file(), "Line=1\n"));
        expected += "Line=1\n";
    });
    ClearingWindowStandIn window;
    std::u16string installPath = u"/opt/orveta";

    settings::clearSettings(window, installPath);

    REQUIRE(window.messages.size() == 3);
    CHECK(window.messages.back()
          == failure(config.file(), u"ほかのプログラムが同時に変更しています。"));
    CHECK(window.captions.empty());
    CHECK(installPath == u"/opt/orveta");
    CHECK(testsupport::readFile(config.file()) == expected);
    CHECK(config.entries() == std::set<std::string>{"KORVEL.ini"});
}
