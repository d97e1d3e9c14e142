// The deletion run on Linux: data files that other programs hold, that
// bind root too, whose names differ only in case, and a shared ORVETA
// folder where other users may plant symbolic links.

#include "deletion/deletionrun.h"
#include "platform/text.h"
#include "tests/deletion/runs.h"
#include "tests/support/posixfiles.h"
#include "tests/support/recordingwindow.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/skip.h"
#include "tests/support/u16text.h"
#include "tests/support/users.h"

#include <cstdint>
#include <doctest/doctest.h>
#include <string>

using namespace testsupport;

namespace {

// The user who runs the tool, another member of the shared folder's group,
// and the owner of a shared folder who is neither.
constexpr uid_t kUser = 1000;
constexpr uid_t kOtherMember = 65534;
constexpr uid_t kFolderOwner = 2000;

const std::u16string kForeignLinkFailure = u"勤務データの削除中にエラーが発生しました。\r";
const std::u16string kForeignLinkReason
    = u" : ほかのユーザーのシンボリック リンクです。\r\r中止します・・・・・";

struct RunOutcome
{
    std::u16string messages; // after the two questions, one per line
    int deletedCount = 0;
};

// Runs the deletion of 2004年04月度..2004年06月度 as user, with install as
// ORVETA's folder.
std::optional<RunOutcome> runAs(uid_t user, const std::string &install)
{
    const std::optional<std::string> reported = runAsUser(user, [&] {
        DeletionWindowStandIn window(200404, 200406);
        std::int16_t count = 0;
        deletion::runDeletion(window, platform::fromUtf8(install), count);
        std::u16string shown;
        for (std::size_t i = 2; i < window.messages.size(); ++i)
            shown += window.messages[i].text + u'\n';
        return std::to_string(count) + '\n' + platform::toUtf8(shown);
    });
    if (!reported)
        return std::nullopt;
    const std::size_t end = reported->find('\n');
    return RunOutcome{platform::fromUtf8(reported->substr(end + 1)),
                      std::stoi(reported->substr(0, end))};
}

// Where the link stands: as data, as the ORVETA folder, or behind the
// user's own link as data.
enum class Place { Data, Orveta, BehindOwnLink };

struct LinkRow
{
    const char *name;
    Place place;
    uid_t sharedOwner; // owner of the shared folders that hold the links
    uid_t linkOwner;
    bool followed;
};

} // namespace

// The data file at 200406's place is held open under a lock of another
// program, is no regular file, or cannot be deleted even by root; the run
// leaves it, and stops at a file that cannot be deleted.
TEST_CASE("data files that cannot go stay, and the run says why where it stops")
{
    const auto blocked
        = [](const std::filesystem::path &data) { return data / "200406orveta.mdb"; };
    std::optional<LockHolder> lock;
    std::optional<AttributeGuard> immutable;
    const auto message = [](const std::filesystem::path &data, std::u16string_view reason) {
        return deletionFailure(platform::fromUtf8((data / "200406orveta.mdb").string()) + u" : "
                               + std::u16string(reason));
    };
    // Either keeps the file at 200406's place; the months around it go.
    const auto fifo = [&](const std::filesystem::path &data) {
        return ::mkfifo(blocked(data).c_str(), 0644) == 0;
    };
    const auto locked = [&](const std::filesystem::path &data) {
        return writeFile(blocked(data))
               && lock.emplace(blocked(data), LockApi::Flock, F_WRLCK).isHeld();
    };
    const std::vector<std::string> around = dataFiles({200405, 200407});
    const std::vector<std::string> only = dataFiles({200406});
    const std::vector<MessageAnswer> okAnswers;
    const DeletionRow rows[] = {
        {"fifo", 200405, 200407, around, only, 0, 2, kConfirmed, okAnswers, fifo},
        {"locked by another program", 200405, 200407, around, only, 0, 2, kConfirmed, okAnswers,
         locked},
    };
    for (const DeletionRow &row : rows)
        checkDeletionRow(row);
    lock.reset();

    // The failure names the file; its folder is the row's own.
    const struct
    {
        const char *name;
        std::function<bool(const std::filesystem::path &)> make;
        std::u16string_view reason;
    } stoppers[] = {
        {"immutable file",
         [&](const std::filesystem::path &data) {
             return writeFile(blocked(data))
                    && immutable.emplace(blocked(data), FS_IMMUTABLE_FL).isSet();
         },
         u"アクセスが拒否されました。"},
        // Read-only as rm judges it, for root too.
        {"read-only file",
         [&](const std::filesystem::path &data) {
             return writeFile(blocked(data)) && ::chmod(blocked(data).c_str(), 0444) == 0;
         },
         u"読み取り専用のファイルです。"},
    };
    for (const auto &stopper : stoppers) {
        CAPTURE(stopper.name);
        const ScratchFolder install;
        REQUIRE(install.isValid());
        const std::filesystem::path data = install / "data";
        REQUIRE(std::filesystem::create_directory(data));
        for (const std::string &name : dataFiles({200404, 200405, 200407}))
            REQUIRE(writeFile(data / name));
        if (!stopper.make(data)) {
            recordSkip("this file system or user cannot set the immutable attribute");
            continue;
        }
        DeletionWindowStandIn window(200404, 200407);
        std::int16_t count = 0;
        deletion::runDeletion(window, install.path().u16string(), count);
        immutable.reset();
        CHECK(folderEntries(data) == dataFiles({200406, 200407}));
        CHECK(count == 2);
        CHECK(window.messages == kConfirmed + message(data, stopper.reason));
        CHECK(window.captions == std::vector<std::u16string>{u"削除データ数 ： 2"});
    }
}

// Names are told apart by case on Linux: only the data file's own goes.
TEST_CASE("names that differ from a data file's only in case stay")
{
    const std::vector<std::string> lookalikes{"200406ORVETA.MDB", "200406Orveta.mdb"};
    checkDeletionRow({"case", 200406, 200406, lookalikes + dataFiles({200406}),
                      lookalikes + dataFiles({}), 0, 1, kConfirmed});
}

// A group-writable ORVETA folder in which another member has replaced data,
// or something on the way to it, with a link to the user's private folder,
// where the user keeps files of the same names. Every link on the way is
// judged, not only the last.
TEST_CASE(
    "a link in a shared ORVETA folder is followed only when its owner could have put it there")
{
    if (::geteuid() != 0)
        SKIP_TEST("needs root to lay out files of several users");
    const LinkRow rows[] = {
        {"another member's link", Place::Data, kUser, kOtherMember, false},
        {"another member's link in someone else's folder", Place::Data, kFolderOwner, kOtherMember,
         false},
        {"the user's own link", Place::Data, kFolderOwner, kUser, true},
        {"root's link", Place::Data, kFolderOwner, 0, true},
        {"the folder owner's link", Place::Data, kFolderOwner, kFolderOwner, true},
        {"another member's link as the ORVETA folder", Place::Orveta, kUser, kOtherMember, false},
        {"another member's link behind the user's own", Place::BehindOwnLink, kUser, kOtherMember,
         false},
    };
    for (const LinkRow &row : rows) {
        CAPTURE(row.name);
        const testsupport::ScratchFolder scratch;
        REQUIRE(scratch.isValid());
        const auto shared = scratch / "shared";
        const auto install = shared / "orveta";
        const auto mine = scratch / "mine";
        REQUIRE(makeFolder(shared, row.sharedOwner, 02775));
        REQUIRE(makeFolder(mine, kUser, 0700));
        REQUIRE(makeFolder(mine / "data", kUser, 0700));
        for (const char *name : {"200404orveta.mdb", "200405orveta.mdb", "200406orveta.mdb"})
            REQUIRE(makeFile(mine / "data" / name, kUser));
        // A link made in a shared folder takes the folder's group, as the
        // folder is set-group-ID: the group says nothing of who made it.
        const auto sharedLink = [&](const std::string &target, const std::filesystem::path &path,
                                    uid_t owner) {
            return makeLink(target, path, owner) && ::lchown(path.c_str(), -1, row.sharedOwner) == 0;
        };
        if (row.place == Place::Orveta) {
            REQUIRE(sharedLink(mine.string(), install, row.linkOwner));
        } else {
            REQUIRE(makeFolder(install, row.sharedOwner, 02775));
            if (row.place == Place::Data) {
                REQUIRE(sharedLink((mine / "data").string(), install / "data", row.linkOwner));
            } else {
                REQUIRE(sharedLink("../moved", install / "data", kUser));
                REQUIRE(sharedLink((mine / "data").string(), shared / "moved", row.linkOwner));
            }
        }

        const std::optional<RunOutcome> outcome = runAs(kUser, install.string());
        REQUIRE(outcome);
        int kept = 0;
        for (const char *name : {"200404orveta.mdb", "200405orveta.mdb", "200406orveta.mdb"})
            kept += entryExists(mine / "data" / name);
        if (row.followed) {
            CHECK(outcome->messages.empty());
            CHECK(outcome->deletedCount == 3);
            CHECK(kept == 0);
        } else {
            CHECK(outcome->messages
                  == kForeignLinkFailure + platform::fromUtf8((install / "data").string())
                         + kForeignLinkReason + u'\n');
            CHECK(outcome->deletedCount == 0);
            CHECK(kept == 3);
        }
    }
}
