// The presence probe and the deletion of a data file on Linux: what counts
// as a present file, the locks of other programs, and read-only files.

#include "platform/filesystem.h"
#include "tests/support/posixfiles.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/skip.h"

#include <doctest/doctest.h>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <vector>

using platform::DataFile;
using platform::DataFolder;
using namespace testsupport;

namespace fs = std::filesystem;

namespace {

const std::u16string kName = u"200406orveta.mdb";

bool makeFifo(const fs::path &path)
{
    return ::mkfifo(path.c_str(), 0644) == 0;
}

bool makeSocket(const fs::path &path)
{
    sockaddr_un address{AF_UNIX, {}};
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    return ::close(fd) == 0 && bound;
}

bool makeSymlink(const fs::path &target, const fs::path &link)
{
    std::error_code error;
    fs::create_symlink(target, link, error);
    return !error;
}

std::vector<std::string> openDescriptors()
{
    return folderEntries("/proc/self/fd");
}

// Takes, through a descriptor of its own, the lock that conflicts with every
// kind of lock over the range, and gives it back at once: false while
// anybody else holds one there.
bool canTakeConflictingLock(const fs::path &path, LockApi api, off_t start, off_t length)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_start = start;
    range.l_len = length;
    const bool taken = api == LockApi::Flock ? ::flock(fd, LOCK_EX | LOCK_NB) == 0
                                             : ::fcntl(fd, F_OFD_SETLK, &range) == 0;
    ::close(fd);
    return taken;
}

std::optional<DataFolder> openFolder(const fs::path &path)
{
    platform::Result<std::optional<DataFolder>> folder = DataFolder::open(path.u16string());
    return folder ? std::move(*folder) : std::nullopt;
}

// What the probe makes of the file of that name in folder.
bool isPresent(const fs::path &folder, std::u16string_view name)
{
    const std::optional<DataFolder> opened = openFolder(folder);
    return opened && opened->openFile(name).has_value();
}

// A fresh folder with the places of a data file and of a link's target.
struct Places
{
    ScratchFolder scratch;
    fs::path path = scratch / "200406orveta.mdb";
    fs::path target = scratch / "target";
};

} // namespace

TEST_CASE("only a regular file, or a link to one, is present")
{
    const struct
    {
        const char *kind;
        bool present;
    } rows[] = {
        {"file", true},
        {"zero-length file", true},
        {"link to file", true},
        {"empty name", false},
        {"missing", false},
        {"file/", false},
        {"name with a NUL", false},
        {"directory", false},
        {"fifo", false},
        {"socket", false},
        {"link to directory", false},
        {"link to fifo", false},
        {"dangling link", false},
    };
    for (const auto &row : rows) {
        const std::string kind = row.kind;
        CAPTURE(kind);
        const Places places;
        REQUIRE(places.scratch.isValid());
        const std::map<std::string, std::function<bool()>> make{
            {"file", [&] { return writeFile(places.path, "data"); }},
            {"zero-length file", [&] { return writeFile(places.path); }},
            {"file/", [&] { return writeFile(places.path, "data"); }},
            {"name with a NUL", [&] { return writeFile(places.path, "data"); }},
            {"directory", [&] { return fs::create_directory(places.path); }},
            {"fifo", [&] { return makeFifo(places.path); }},
            {"socket", [&] { return makeSocket(places.path); }},
            {"link to file",
             [&] {
                 return writeFile(places.target, "data") && makeSymlink(places.target, places.path);
             }},
            {"link to directory",
             [&] {
                 return fs::create_directory(places.target)
                        && makeSymlink(places.target, places.path);
             }},
            {"link to fifo",
             [&] { return makeFifo(places.target) && makeSymlink(places.target, places.path); }},
            {"dangling link", [&] { return makeSymlink(places.target, places.path); }},
        };
        REQUIRE((!make.contains(kind) || make.at(kind)()));
        std::u16string probed = kind == "empty name" ? u"" : kName;
        if (kind == "file/") // a separator would lead into another folder
            probed += u'/';
        if (kind == "name with a NUL") // would reach the file if cut short at the NUL
            probed += std::u16string(1, u'\0') + u"x";

        const std::vector<std::string> descriptors = openDescriptors();
        {
            const std::optional<DataFolder> folder = openFolder(places.scratch.path());
            REQUIRE(folder);
            const std::vector<std::string> withFolder = openDescriptors();
            {
                const std::optional<DataFile> file = folder->openFile(probed);
                CHECK(file.has_value() == row.present);
                // Held open while it lives: what is deleted is what was judged.
                CHECK(openDescriptors().size() == withFolder.size() + (row.present ? 1 : 0));
            }
            CHECK(openDescriptors() == withFolder);
        }
        CHECK(openDescriptors() == descriptors);
    }
}

TEST_CASE("a file under any lock of another process is not present")
{
    const struct
    {
        const char *name;
        LockApi api;
        short type;
        off_t start, length; // length 0: to the end of the file, however long
        bool throughLink = false; // the data file is a link to the locked file
    } rows[] = {
        {"flock shared", LockApi::Flock, F_RDLCK, 0, 0},
        {"flock exclusive", LockApi::Flock, F_WRLCK, 0, 0},
        {"POSIX read", LockApi::Posix, F_RDLCK, 0, 0},
        {"POSIX write", LockApi::Posix, F_WRLCK, 0, 0},
        {"OFD read", LockApi::Ofd, F_RDLCK, 0, 0},
        {"OFD write", LockApi::Ofd, F_WRLCK, 0, 0},
        {"POSIX read of bytes 10-19", LockApi::Posix, F_RDLCK, 10, 10},
        {"OFD write of bytes 10-19", LockApi::Ofd, F_WRLCK, 10, 10},
        {"link to a file under flock", LockApi::Flock, F_WRLCK, 0, 0, true},
        {"link to a file under a POSIX read lock", LockApi::Posix, F_RDLCK, 0, 0, true},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const ScratchFolder scratch;
        REQUIRE(scratch.isValid());
        const fs::path path = scratch / (row.throughLink ? "target" : "200406orveta.mdb");
        REQUIRE(writeFile(path, std::string(64, 'x')));
        if (row.throughLink)
            REQUIRE(makeSymlink(path, scratch / "200406orveta.mdb"));
        std::optional<LockHolder> holder(std::in_place, path, row.api, row.type, row.start,
                                         row.length);
        REQUIRE(holder->isHeld());

        CHECK(!isPresent(scratch.path(), kName));
        // Asked again: the first probe left no lock of its own behind and
        // did not take the other's away.
        CHECK(!isPresent(scratch.path(), kName));
        CHECK(!canTakeConflictingLock(path, row.api, row.start, row.length));

        holder.reset();
        CHECK(isPresent(scratch.path(), kName));
    }
}

TEST_CASE("every present file is deleted but a read-only one")
{
    const struct
    {
        const char *kind;
        bool present, removed;
    } rows[] = {
        {"file 0644", true, true},
        {"file 0200", true, true},
        {"file 0020", true, true},
        {"link to file 0444", true, true},
        // No write bit for anyone: such a file stays, for root too.
        {"file 0444", true, false},
        {"file 0400", true, false},
        {"file 0000", true, false},
        // Nothing there to delete: the probe finds nothing.
        {"missing", false, false},
        {"directory", false, false},
    };
    for (const auto &row : rows) {
        const std::string kind = row.kind;
        CAPTURE(kind);
        const Places places;
        REQUIRE(places.scratch.isValid());
        if (kind.starts_with("file ")) {
            const auto mode = mode_t(std::stoul(kind.substr(5), nullptr, 8));
            if ((mode & 0400) == 0 && ::geteuid() != 0) {
                recordSkip("only root opens a file without read permission");
                continue;
            }
            REQUIRE(writeFile(places.path, "data"));
            REQUIRE(::chmod(places.path.c_str(), mode) == 0);
        } else if (kind == "link to file 0444") {
            REQUIRE(writeFile(places.target, "data"));
            REQUIRE(::chmod(places.target.c_str(), 0444) == 0);
            REQUIRE(makeSymlink(places.target, places.path));
        } else if (kind == "directory") {
            REQUIRE(fs::create_directory(places.path));
        }

        const std::optional<DataFolder> folder = openFolder(places.scratch.path());
        REQUIRE(folder);
        std::optional<DataFile> file = folder->openFile(kName);
        CHECK(file.has_value() == row.present);
        if (file) {
            const platform::Result<> removal = file->remove();
            CHECK(removal.has_value() == row.removed);
            if (!row.removed)
                CHECK((!removal && removal.error().kind == platform::ErrorKind::ReadOnlyFile));
        }
        CHECK(entryExists(places.path) == (!row.removed && kind != "missing"));
        if (kind.starts_with("link"))
            CHECK(entryExists(places.target)); // the link's target stays
    }
}
