// The data folder as the deletion run holds it: reached name by name, held
// open, and every file looked up and deleted inside it, whatever happens to
// the paths meanwhile.

#include "platform/filesystem.h"
#include "platform/text.h"
#include "tests/support/posixfiles.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/skip.h"
#include "tests/support/users.h"

#include <cstdio>
#include <doctest/doctest.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

using platform::DataFile;
using platform::DataFolder;
using platform::ErrorKind;
using testsupport::entryExists;
using testsupport::makeFile;
using testsupport::makeFolder;
using testsupport::makeLink;

namespace fs = std::filesystem;

namespace {

constexpr uid_t kUser = 1000;
const std::u16string kName = u"200406orveta.mdb";

platform::Result<std::optional<DataFolder>> openFolder(const fs::path &path)
{
    return DataFolder::open(platform::fromUtf8(path.string()));
}

// What the folder at path holds under kName, as the probe sees it: "absent
// folder", "error", "absent" or "present".
std::string probe(const std::string &path)
{
    const platform::Result<std::optional<DataFolder>> folder
        = DataFolder::open(platform::fromUtf8(path));
    if (!folder)
        return "error";
    if (!*folder)
        return "absent folder";
    return (*folder)->openFile(kName) ? "present" : "absent";
}

struct ReachRow
{
    const char *name;
    std::string path; // under the scratch folder
    std::string outcome;
};

} // namespace

// Links of the user's own, as the kernel would follow them: relative to the
// folder that holds them, from the root when absolute, and ".." after a
// link going to the parent of where the link led.
TEST_CASE("the data folder is reached as the kernel would reach it")
{
    const testsupport::ScratchFolder scratch;
    REQUIRE(scratch.isValid());
    const std::string root = scratch.path().string();
    REQUIRE(makeFolder(scratch / "real"));
    REQUIRE(makeFolder(scratch / "real" / "data"));
    REQUIRE(makeFile(scratch / "real" / "data" / "200406orveta.mdb"));
    REQUIRE(makeFolder(scratch / "other"));
    REQUIRE(makeFile(scratch / "file"));
    REQUIRE(makeLink("real", scratch / "relative"));
    REQUIRE(makeLink(root + "/real", scratch / "absolute"));
    REQUIRE(makeLink("real/data", scratch / "deep"));
    REQUIRE(makeLink("../real", scratch / "other" / "up"));
    REQUIRE(makeLink("missing", scratch / "dangling"));
    REQUIRE(makeLink("loop-b", scratch / "loop-a"));
    REQUIRE(makeLink("loop-a", scratch / "loop-b"));
    // A chain of 40 links is followed, as the kernel follows it; one more
    // is taken for a loop.
    REQUIRE(makeLink("real", scratch / "chain0"));
    for (int i = 1; i <= 40; ++i)
        REQUIRE(makeLink("chain" + std::to_string(i - 1), scratch / ("chain" + std::to_string(i))));

    const ReachRow rows[] = {
        {"plain", "/real/data", "present"},
        {"dots and doubled separators", "//real/./data/", "present"},
        {"relative link", "/relative/data", "present"},
        {"absolute link", "/absolute/data", "present"},
        {"link as the data folder", "/deep", "present"},
        {"link in a subfolder", "/other/up/data", "present"},
        {"parent of a link's target", "/relative/../real/data", "present"},
        {"parent of a deeper link's target", "/deep/../data", "present"},
        {"40 links", "/chain39/data", "present"},
        {"41 links", "/chain40/data", "absent folder"},
        {"missing", "/missing/data", "absent folder"},
        {"a file on the way", "/file/data", "absent folder"},
        {"a file as the folder", "/file", "absent folder"},
        {"dangling link", "/dangling/data", "absent folder"},
        {"loop of links", "/loop-a/data", "absent folder"},
        {"folder without the file", "/other", "absent"},
    };
    for (const ReachRow &row : rows) {
        CAPTURE(row.name);
        CHECK(probe(root + row.path) == row.outcome);
    }
    CHECK(probe(std::string("/\0/", 3)) == "absent folder");
}

// The tool asks as the user, to whom a folder without search permission is
// closed; nothing can be found in it.
TEST_CASE("a folder the user cannot search holds nothing to delete")
{
    if (::geteuid() != 0)
        SKIP_TEST("needs root to run a step as another user");
    const testsupport::ScratchFolder scratch;
    REQUIRE(scratch.isValid());
    REQUIRE(makeFolder(scratch / "closed", 0, 0700));
    REQUIRE(makeFolder(scratch / "closed" / "data", kUser, 0755));
    REQUIRE(makeFile(scratch / "closed" / "data" / "200406orveta.mdb", kUser));
    REQUIRE(makeFolder(scratch / "data", kUser, 0300));
    REQUIRE(makeFile(scratch / "data" / "200406orveta.mdb", kUser));
    REQUIRE(makeFolder(scratch / "data-unsearchable", kUser, 0600));
    REQUIRE(makeFile(scratch / "data-unsearchable" / "200406orveta.mdb", kUser));

    const auto asUser = [&](const fs::path &folder) {
        return runAsUser(kUser, [&] { return probe(folder.string()); }).value_or("not run");
    };
    CHECK(asUser(scratch / "closed" / "data") == "absent folder");
    CHECK(asUser(scratch / "data") == "present"); // searchable, not listable
    CHECK(asUser(scratch / "data-unsearchable") == "absent folder");
}

// A member of a shared folder renames data away and puts a link to the
// user's private folder in its place, or replaces the ORVETA folder above
// it, after the run has opened it: the run goes on in the folder it opened.
TEST_CASE("a folder swapped after it was opened is not followed")
{
    const testsupport::ScratchFolder scratch;
    REQUIRE(scratch.isValid());
    const auto install = scratch / "orveta";
    const auto mine = scratch / "mine";
    REQUIRE(makeFolder(install));
    REQUIRE(makeFolder(install / "data"));
    REQUIRE(makeFolder(mine));
    for (const char *name : {"200405orveta.mdb", "200406orveta.mdb"}) {
        REQUIRE(makeFile(install / "data" / name));
        REQUIRE(makeFile(mine / name));
    }
    platform::Result<std::optional<DataFolder>> folder = openFolder(install / "data");
    REQUIRE(folder);
    REQUIRE(*folder);

    SUBCASE("data replaced by a link")
    {
        fs::rename(install / "data", install / "data.old");
        REQUIRE(makeLink(mine.string(), install / "data"));
    }
    SUBCASE("ORVETA's folder replaced")
    {
        fs::rename(install, scratch / "orveta.old");
        REQUIRE(makeFolder(install));
        REQUIRE(makeLink(mine.string(), install / "data"));
    }
    for (const std::u16string name : {u"200405orveta.mdb", u"200406orveta.mdb"}) {
        std::optional<DataFile> file = (*folder)->openFile(name);
        REQUIRE(file);
        CHECK(file->remove());
    }
    CHECK(entryExists(mine / "200405orveta.mdb"));
    CHECK(entryExists(mine / "200406orveta.mdb"));
    CHECK(fs::is_empty(entryExists(install / "data.old") ? install / "data.old"
                                                         : scratch / "orveta.old" / "data"));
}

// Linux unlinks by name only: a name that no longer stands for what was
// opened and judged is left alone, and the run hears why.
TEST_CASE("a file changed between probe and deletion stays")
{
    const testsupport::ScratchFolder scratch;
    REQUIRE(scratch.isValid());
    const auto path = scratch / "200406orveta.mdb";
    const auto other = scratch / "other";
    REQUIRE(makeFile(path));
    REQUIRE(makeFile(other));
    REQUIRE(makeFile(scratch / "target"));
    platform::Result<std::optional<DataFolder>> folder = openFolder(scratch.path());
    REQUIRE(folder);
    REQUIRE(*folder);

    SUBCASE("another file moved in its place")
    {
        std::optional<DataFile> file = (*folder)->openFile(kName);
        REQUIRE(file);
        fs::rename(other, path);
        const platform::Result<> removal = file->remove();
        REQUIRE(!removal);
        CHECK(removal.error().kind == ErrorKind::ChangedMeanwhile);
        CHECK(entryExists(path));
    }
    // The link is held meanwhile: a new link could otherwise get the old
    // one's inode number.
    SUBCASE("a data file link pointed elsewhere")
    {
        fs::remove(path);
        REQUIRE(makeLink("target", path));
        std::optional<DataFile> file = (*folder)->openFile(kName);
        REQUIRE(file);
        fs::remove(path);
        REQUIRE(makeLink("other", path));
        const platform::Result<> removal = file->remove();
        REQUIRE(!removal);
        CHECK(removal.error().kind == ErrorKind::ChangedMeanwhile);
        CHECK(entryExists(path));
    }
    SUBCASE("removed meanwhile")
    {
        std::optional<DataFile> file = (*folder)->openFile(kName);
        REQUIRE(file);
        fs::remove(path);
        const platform::Result<> removal = file->remove();
        REQUIRE(!removal);
        CHECK(removal.error().kind == ErrorKind::NotFound);
    }
    CHECK(entryExists(scratch / "target"));
}
