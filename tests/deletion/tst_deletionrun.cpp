// The deletion run with a stand-in for the window over real folders of the
// system it runs on: which data files go, what the window is told and the
// count it shows.

#include "deletion/deletionrun.h"
#include "settings/productsettings.h"
#include "tests/deletion/runs.h"
#include "tests/support/recordingwindow.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/u16text.h"

#include <cstdint>
#include <doctest/doctest.h>
#include <filesystem>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const Message kNothingToDelete{u"削除対象データはありません。", kDeletionTitle,
                               MessageIcon::Exclamation, MessageButtons::Ok};
const Message kWrongOrder{u"開始年月と終了年月の順序が違います。\r\r変更してください・・・・・",
                          kDeletionTitle, MessageIcon::Exclamation, MessageButtons::Ok};
const Message kNotInstalled{u"ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      \r"
                            u"一度も起動していない可能性があります。\r\r中止します・・・・・",
                            kDeletionTitle, MessageIcon::Exclamation, MessageButtons::Ok};

} // namespace

TEST_CASE("the present data files of the chosen months go, and the window hears how many")
{
    const std::vector<std::string> two = dataFiles({200406, 200407});
    // The range walks across 200400 and 200413, which are no months; names
    // that only look like data files stay.
    const std::vector<std::string> nearMisses{
        "200311orveta.mdb", "200400orveta.mdb", "200406orveta.md",   "200406orveta.mdb.bak",
        "200413orveta.mdb", "200502orveta.mdb", "2004060orveta.mdb", "20046orveta.mdb",
    };
    const Message overLimit = deletionFailure(u"削除データ数が上限を超えました。");
    const std::vector<std::string> none;
    const std::vector<Message> firstQuestionOnly{kFirstQuestion};
    const std::vector<MessageAnswer> okAnswers;
    const std::vector<MessageAnswer> cancelFirst{MessageAnswer::Cancel};
    const std::vector<MessageAnswer> cancelSecond{MessageAnswer::Ok, MessageAnswer::Cancel};
    // A folder under a data file's name is no data file.
    const auto folderInTheWay = [](const std::filesystem::path &data) {
        return std::filesystem::create_directory(data / "200406orveta.mdb");
    };
    const DeletionRow rows[] = {
        {"one month", 200406, 200406, dataFiles({200405, 200406, 200407}),
         dataFiles({200405, 200407}), 0, 1, kConfirmed},
        {"across the year", 200411, 200502,
         dataFiles({200410, 200411, 200412, 200501, 200502, 200503}), dataFiles({200410, 200503}),
         0, 4, kConfirmed},
        {"near misses", 200312, 200501, nearMisses + dataFiles({200401, 200412}), nearMisses + none,
         0, 2, kConfirmed},
        {"adds to earlier runs", 200406, 200407, two, none, 3, 5, kConfirmed},
        {"nothing to delete", 200405, 200405, two, two, 0, 0, kConfirmed + kNothingToDelete},
        {"nothing left, count stays", 200405, 200405, two, two, 5, 5,
         kConfirmed + kNothingToDelete},
        {"cancelled first", 200406, 200407, two, two, 4, 4, firstQuestionOnly, cancelFirst},
        {"cancelled second", 200406, 200407, two, two, 4, 4, kConfirmed, cancelSecond},
        {"at the count limit", 200406, 200407, two, two, 32767, 32767, kConfirmed + overLimit},
        {"reaching the count limit", 200406, 200407, two, dataFiles({200407}), 32766, 32767,
         kConfirmed + overLimit},
        {"folder in the way", 200405, 200407, dataFiles({200405, 200407}), dataFiles({200406}), 0,
         2, kConfirmed, okAnswers, folderInTheWay},
        // 𠮷 (U+20BB7) is two UTF-16 units, four bytes of UTF-8.
        {"ORVETA folder beyond the basic plane", 200406, 200407, two, none, 0, 2, kConfirmed,
         okAnswers, {}, u"𠮷野家のORVETA"},
    };
    for (const DeletionRow &row : rows)
        checkDeletionRow(row);
}

TEST_CASE("the wrong order of months is told and the start list gets the focus")
{
    const ScratchFolder install;
    REQUIRE(install.isValid());
    REQUIRE(std::filesystem::create_directory(install / "data"));
    for (const std::string &name : dataFiles({200406, 200407}))
        REQUIRE(writeFile(install / "data" / name));
    DeletionWindowStandIn window(200407, 200406);
    std::int16_t count = 0;
    deletion::runDeletion(window, install.path().u16string(), count);
    CHECK(window.messages == std::vector{kWrongOrder});
    CHECK(window.focusCalls == 1);
    CHECK(window.captions.empty());
    CHECK(count == 0);
    CHECK(folderEntries(install / "data") == dataFiles({200406, 200407}));
}

// A short or relative folder would be taken from the working folder, which
// is given a data file to lose.
TEST_CASE("a folder that is too short or relative counts as not installed")
{
    const ScratchFolder working;
    REQUIRE(working.isValid());
    const WorkingFolder inside(working.path());
    for (const std::u16string installPath : {u"", u"ab", u"𠀋𡈽", u"orveta", u"./orveta"}) {
        CAPTURE(installPath);
        const std::filesystem::path data
            = std::filesystem::path(installPath.empty() ? u"." : installPath) / "data";
        std::filesystem::create_directories(data);
        REQUIRE(writeFile(data / "200406orveta.mdb"));
        DeletionWindowStandIn window(200406, 200406);
        std::int16_t count = 0;
        deletion::runDeletion(window, installPath, count);
        CHECK(window.messages == std::vector{kNotInstalled});
        CHECK(settings::notInstalledNotice() == kNotInstalled);
        CHECK(count == 0);
        CHECK(folderEntries(data) == dataFiles({200406}));
    }
}

// Three characters make the shortest folder that counts, a character
// beyond the basic plane (two UTF-16 units) counting as one. The folders
// need not exist. (A Windows path is longer before it is absolute.)
#ifndef _WIN32
TEST_CASE("the shortest ORVETA folder that counts has three characters")
{
    const struct
    {
        std::u16string path;
        bool installed;
    } rows[] = {
        {u"/a", false},
        {u"/ab", true},
        {u"/𠮷", false},
        {u"/𠮷x", true},
    };
    for (const auto &row : rows) {
        CAPTURE(row.path);
        CHECK(settings::isInstalled(row.path) == row.installed);
    }
}
#endif

TEST_CASE("the months deleted are those on show once both questions are answered")
{
    const ScratchFolder install;
    REQUIRE(install.isValid());
    REQUIRE(std::filesystem::create_directory(install / "data"));
    for (const std::string &name : dataFiles({200401, 200405, 200406}))
        REQUIRE(writeFile(install / "data" / name));
    DeletionWindowStandIn window(200401, 200401);
    // The user changes the lists while the second question is open.
    window.onMessage = [&] {
        if (window.messages.size() == 2)
            window.show(200405, 200406);
    };
    std::int16_t count = 0;
    deletion::runDeletion(window, install.path().u16string(), count);
    CHECK(folderEntries(install / "data") == dataFiles({200401}));
    CHECK(count == 2);
}
