// ORVETA's settings file on Linux, KORVEL.ini in the user's configuration
// folder: found where the base directory rules put it, read without ever
// waiting, and written so that its owner, mode, links and attributes stay.

#include "platform/posix/descriptor.h"
#include "platform/settingsstore.h"
#include "tests/support/configfolder.h"
#include "tests/support/environment.h"
#include "tests/support/posixfiles.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/skip.h"
#include "tests/support/u16text.h"
#include "tests/support/users.h"

#include <chrono>
#include <doctest/doctest.h>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace testsupport;

namespace {

enum class Outcome { Deleted, NotFound, NotWritable };

const std::string kStored = "# written by ORVETA\n[Other]\nKey_Path=/elsewhere\n\n"
                            "[Orveta]\nKey_Path=/home/u/勤務データ\n# kept\nPass_Wd=C:\\x\nName=n";
const std::string kWithoutKeyPath = "# written by ORVETA\n[Other]\nKey_Path=/elsewhere\n\n"
                                    "[Orveta]\n# kept\nPass_Wd=C:\\x\nName=n";
const std::string kCleared = "# written by ORVETA\n[Other]\nKey_Path=/elsewhere\n\n"
                             "[Orveta]\n# kept\nName=n";
constexpr uid_t kNobody = 65534;

std::u16string read(std::u16string_view key = u"Key_Path")
{
    return platform::readSetting(u"KORVEL", u"Orveta", key);
}

platform::Result<> remove(std::u16string_view key = u"Key_Path")
{
    return platform::deleteSettings(u"KORVEL", u"Orveta", {key});
}

Outcome outcomeOf(const platform::Result<> &deletion)
{
    if (deletion)
        return Outcome::Deleted;
    return deletion.error().kind == platform::ErrorKind::NotFound ? Outcome::NotFound
                                                                  : Outcome::NotWritable;
}

// Runs call on a thread of its own. Should it still wait after 30 seconds
// (long enough for a loaded machine), opening the FIFO at fifo for writing
// ends the wait, and the answer is nullopt.
template<typename Call>
std::optional<std::invoke_result_t<Call>> withoutWaiting(const std::string &fifo, Call call)
{
    auto running = std::async(std::launch::async, call);
    if (running.wait_for(std::chrono::seconds(30)) == std::future_status::ready)
        return running.get();
    ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    running.wait();
    return std::nullopt;
}

struct stat statOf(const std::string &path)
{
    struct stat info = {};
    ::lstat(path.c_str(), &info);
    return info;
}

} // namespace

TEST_CASE("without a regular file there is nothing to read or delete, and no waiting")
{
    const char *places[] = {"no file", "FIFO", "folder", "dangling link", "link to a FIFO"};
    for (const std::string place : places) {
        CAPTURE(place);
        const TemporaryConfig config;
        const std::string fifo = config.folder + "/fifo";
        const std::string path = config.file();
        if (place == "FIFO" || place == "link to a FIFO")
            REQUIRE(::mkfifo(fifo.c_str(), 0600) == 0);
        if (place == "FIFO")
            REQUIRE(::rename(fifo.c_str(), path.c_str()) == 0);
        if (place == "folder")
            REQUIRE(::mkdir(path.c_str(), 0700) == 0);
        if (place == "dangling link")
            REQUIRE(::symlink("absent.ini", path.c_str()) == 0);
        if (place == "link to a FIFO")
            REQUIRE(::symlink("fifo", path.c_str()) == 0);
        const auto entries = config.entries();

        const auto value = withoutWaiting(path, [] { return read(); });
        REQUIRE(value); // reading did not wait for a writer
        CHECK(*value == u"");
        const auto deletion = withoutWaiting(path, [] { return remove(); });
        REQUIRE(deletion); // deleting did not wait for a writer
        CHECK(outcomeOf(*deletion) == Outcome::NotFound);
        CHECK(config.entries() == entries);
    }
}

TEST_CASE("clearing keeps the rest of the file, also through a symbolic link")
{
    const struct
    {
        const char *name;
        bool throughLink; // KORVEL.ini links to real/KORVEL.ini
        mode_t mode;
    } rows[] = {{"file", false, 0640}, {"symbolic link", true, 0604}};
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const TemporaryConfig config;
        const std::string file
            = row.throughLink ? config.folder + "/real/KORVEL.ini" : config.file();
        if (row.throughLink) {
            REQUIRE(::mkdir((config.folder + "/real").c_str(), 0700) == 0);
            REQUIRE(::symlink("real/KORVEL.ini", config.file().c_str()) == 0);
        }
        REQUIRE(writeFile(file, kStored));
        REQUIRE(::chmod(file.c_str(), row.mode) == 0);

        CHECK(read() == u"/home/u/勤務データ");
        CHECK(read(u"Pass_Wd") == u"C:\\x");
        CHECK(platform::deleteSettings(u"KORVEL", u"Orveta", {u"Key_Path", u"Pass_Wd"}));
        CHECK(platform::settingsStorePath(u"KORVEL", u"Orveta")
              == platform::fromUtf8(config.file()));
        CHECK(readFile(file) == kCleared);
        CHECK((statOf(file).st_mode & 07777) == row.mode);
        CHECK(S_ISLNK(statOf(config.file()).st_mode) == row.throughLink);
        CHECK(folderEntries(std::filesystem::path(file).parent_path())
              == std::vector<std::string>{"KORVEL.ini"});
        CHECK(read() == u"");
        CHECK(outcomeOf(remove()) == Outcome::NotFound);
    }
}

// An unset, empty or relative XDG_CONFIG_HOME is no valid setting.
TEST_CASE("without a usable XDG_CONFIG_HOME the file is in the home's .config")
{
    const char *settings[] = {nullptr, "", "relative"};
    for (const char *setting : settings) {
        CAPTURE(setting ? setting : "(unset)");
        const ScratchFolder home;
        REQUIRE(home.isValid());
        const ScopedEnvironment homeVariable("HOME", home.path().string());
        const ScopedEnvironment xdg("XDG_CONFIG_HOME",
                                    setting ? std::optional<std::string>(setting) : std::nullopt);
        // A relative folder would be taken from the working folder: offer a
        // decoy there.
        const WorkingFolder working(home.path());
        REQUIRE(std::filesystem::create_directories("relative"));
        REQUIRE(std::filesystem::create_directories(".config"));
        REQUIRE(writeFile("relative/KORVEL.ini", "[Orveta]\nKey_Path=/decoy\n"));
        REQUIRE(writeFile(".config/KORVEL.ini", "[Orveta]\nKey_Path=/home/u/orveta\n"));

        CHECK(platform::settingsStorePath(u"KORVEL", u"Orveta")
              == (home / ".config/KORVEL.ini").u16string());
        CHECK(read() == u"/home/u/orveta");
    }
}

// The file written in place; where another program keeps it open to read, a
// new file renamed over the old one where that loses nothing, else the old
// file written in place; never a change where writing is forbidden.
TEST_CASE("the file is replaced or rewritten in place so that nothing of it is lost")
{
    if (::geteuid() != 0)
        SKIP_TEST("hands files to another user and sets attributes, which takes root");
    const struct Setup
    {
        const char *name;
        uid_t owner = 0; // of the file
        std::optional<gid_t> group = std::nullopt; // the file's group, when not the owner's id
        bool asOwner = false; // delete in a child process running as the owner
        mode_t mode = 0640;
        mode_t folderMode = 0700;
        int fileAttribute = 0;
        int folderAttribute = 0;
        bool hardLink = false;
        Outcome outcome = Outcome::Deleted;
        bool replaced = true; // beside a reader: a new inode, else the same one written in place
    } rows[] = {
        {.name = "own file"},
        {.name = "read-only file, root", .mode = 0444},
        {.name = "other group, root", .group = kNobody},
        {.name = "read-only folder, root", .folderAttribute = FS_IMMUTABLE_FL, .replaced = false},
        {.name = "hard link", .hardLink = true, .replaced = false},
        {.name = "other user's file, root", .owner = kNobody, .replaced = false},
        {.name = "user's file", .owner = kNobody, .asOwner = true, .folderMode = 0777},
        {.name = "user's file, root's folder",
         .owner = kNobody,
         .asOwner = true,
         .folderMode = 0755,
         .replaced = false},
        {.name = "user's read-only file",
         .owner = kNobody,
         .asOwner = true,
         .mode = 0444,
         .folderMode = 0777,
         .outcome = Outcome::NotWritable,
         .replaced = false},
        {.name = "user's unreadable file",
         .owner = kNobody,
         .asOwner = true,
         .mode = 0200,
         .folderMode = 0777,
         .outcome = Outcome::NotWritable,
         .replaced = false},
        {.name = "immutable file",
         .fileAttribute = FS_IMMUTABLE_FL,
         .outcome = Outcome::NotWritable,
         .replaced = false},
        // Passes the write check; the rename fails.
        {.name = "append-only file",
         .fileAttribute = FS_APPEND_FL,
         .outcome = Outcome::NotWritable,
         .replaced = false},
        // Passes the write check; opening for a write in place fails.
        {.name = "append-only hard link",
         .fileAttribute = FS_APPEND_FL,
         .hardLink = true,
         .outcome = Outcome::NotWritable,
         .replaced = false},
    };
    for (const bool keptOpen : {false, true})
        for (const Setup &setup : rows) {
            CAPTURE(keptOpen);
            CAPTURE(setup.name);
            const TemporaryConfig config;
            const std::string ini = config.file();
            const std::string link = config.folder + "/linked.ini";
            REQUIRE(writeFile(ini, kStored));
            REQUIRE(::chown(ini.c_str(), setup.owner, setup.group.value_or(setup.owner)) == 0);
            REQUIRE(::chmod(ini.c_str(), setup.mode) == 0);
            REQUIRE(::chmod(config.folder.c_str(), setup.folderMode) == 0);
            REQUIRE((!setup.hardLink || ::link(ini.c_str(), link.c_str()) == 0));
            const bool tagged = ::setxattr(ini.c_str(), "user.origin", "ORVETA", 6, 0) == 0;
            const AttributeGuard fileAttribute(ini, setup.fileAttribute);
            const AttributeGuard folderAttribute(config.folder, setup.folderAttribute);
            if (!fileAttribute.isSet() || !folderAttribute.isSet()) {
                recordSkip(
                    "this file system does not take the immutable and append-only attributes");
                continue;
            }
            const struct stat before = statOf(ini);
            const auto entries = config.entries();
            const platform::Descriptor reader(keptOpen ? ::open(ini.c_str(), O_RDONLY | O_CLOEXEC)
                                                       : -1);
            REQUIRE(reader.isOpen() == keptOpen);

            Outcome outcome = Outcome::Deleted;
            int errorCode = 0;
            if (setup.asOwner) {
                // The outcome's number, then the error's; nothing when the folder
                // is out of the user's reach.
                const std::optional<std::string> reported = runAsUser(setup.owner, [&] {
                    if (::access(config.folder.c_str(), X_OK) != 0)
                        return std::string();
                    const platform::Result<> deletion = remove();
                    return std::to_string(int(outcomeOf(deletion)))
                           + std::to_string(deletion ? 0 : deletion.error().code);
                });
                if (!reported || reported->empty()) {
                    recordSkip("cannot act as another user in this temporary folder");
                    continue;
                }
                outcome = Outcome(reported->front() - '0');
                errorCode = std::stoi(reported->substr(1));
            } else {
                const platform::Result<> deletion = remove();
                outcome = outcomeOf(deletion);
                errorCode = deletion ? 0 : deletion.error().code;
            }

            CHECK(outcome == setup.outcome);
            CHECK((errorCode == 0) == (setup.outcome != Outcome::NotWritable));
            const std::string expected
                = setup.outcome == Outcome::Deleted ? kWithoutKeyPath : kStored;
            CHECK(readFile(ini) == expected);
            CHECK((!setup.hardLink || readFile(link) == expected));
            const struct stat after = statOf(ini);
            CHECK((after.st_ino != before.st_ino) == (keptOpen && setup.replaced));
            CHECK(after.st_uid == before.st_uid);
            CHECK(after.st_gid == before.st_gid);
            CHECK(after.st_mode == before.st_mode);
            CHECK(after.st_nlink == before.st_nlink);
            char origin[8] = {};
            CHECK((!tagged || ::getxattr(ini.c_str(), "user.origin", origin, sizeof origin) == 6));
            CHECK(std::string(origin) == (tagged ? "ORVETA" : ""));
            CHECK(config.entries() == entries);
        }
}
