// The settings file is shared with ORVETA and whatever else the user runs:
// a clearing must never lose what another program writes meanwhile.
#include "platform/posix/descriptor.h"
#include "platform/settingsstore.h"
#include "tests/support/configfolder.h"
#include "tests/support/skip.h"

#include <algorithm>
#include <cstdlib>
#include <doctest/doctest.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using platform::ErrorKind;
using testsupport::appendToFile;
using testsupport::readFile;
using testsupport::ScopedSwapHook;
using testsupport::ScopedWriteHook;
using testsupport::TemporaryConfig;
using testsupport::writeFile;

platform::Result<> clear()
{
    return platform::deleteSettings(u"KORVEL", u"Orveta", {u"Key_Path", u"Pass_Wd"});
}

const std::string kStored = "[Orveta]\nKey_Path=/opt/orveta\nPass_Wd=x\nOther=1\n";

// The ways of writing. Where nobody else has the file open, it is written
// in place under a lease, also where a second hard link shares it. Beside a
// reader that keeps it open, a new file is put in the old one's place, or,
// where a second hard link shares the file, the old one is written in place
// with the checks alone.
struct Way
{
    const char *name;
    bool hardLink;
    bool reader;
};
constexpr Way kWays[] = {{"in place", false, false},
                         {"in place, hard link", true, false},
                         {"replaced, beside a reader", false, true},
                         {"in place, hard link, beside a reader", true, true}};
// Those that no appended line can escape, late openers included.
const std::span<const Way> kLeasedWays(kWays, 2);

// The reader, for as long as the way needs one.
[[nodiscard]] platform::Descriptor prepare(const TemporaryConfig &config, const Way &way,
                                           const std::string &contents)
{
    REQUIRE(writeFile(config.file(), contents));
    if (way.hardLink)
        REQUIRE(::link(config.file().c_str(), (config.folder + "/linked.ini").c_str()) == 0);
    platform::Descriptor reader(way.reader ? ::open(config.file().c_str(), O_RDONLY | O_CLOEXEC)
                                           : -1);
    REQUIRE(reader.isOpen() == way.reader);
    return reader;
}

} // namespace

// Both keys go in one writing. Whatever another program did between the
// reading and the writing is read again, and kept.
TEST_CASE("a change between reading and writing is read again")
{
    int reader = -1;
    const struct
    {
        const char *name;
        std::function<void(const std::string &path)> change;
        std::string after;
        int writes;
    } rows[] = {
        {"no change", [](const std::string &) {}, "[Orveta]\nOther=1\n", 1},
        {"line appended", [](const std::string &path) { REQUIRE(appendToFile(path, "Added=2\n")); },
         "[Orveta]\nOther=1\nAdded=2\n", 2},
        // Same size, and the time put back: only the bytes tell.
        {"byte changed, time kept",
         [](const std::string &path) {
             struct stat info = {};
             const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
             REQUIRE(::fstat(fd, &info) == 0);
             REQUIRE(::pwrite(fd, "2", 1, off_t(kStored.size() - 2)) == 1);
             const struct timespec times[] = {info.st_atim, info.st_mtim};
             REQUIRE((::futimens(fd, times) == 0 && ::close(fd) == 0));
         },
         "[Orveta]\nOther=2\n", 2},
        {"file replaced",
         [](const std::string &path) {
             REQUIRE(writeFile(path + ".new", "[Orveta]\nKey_Path=/srv/new\nPass_Wd=y\nNew=3\n"));
             REQUIRE(::rename((path + ".new").c_str(), path.c_str()) == 0);
         },
         "[Orveta]\nNew=3\n", 2},
        // Another program that only reads changes nothing.
        {"kept open by a reader",
         [&reader](const std::string &path) { reader = ::open(path.c_str(), O_RDONLY); },
         "[Orveta]\nOther=1\n", 1},
    };
    for (const Way &way : kWays) {
        for (const auto &row : rows) {
            CAPTURE(way.name);
            CAPTURE(row.name);
            const TemporaryConfig config;
            const platform::Descriptor keptOpen = prepare(config, way, kStored);
            const auto entries = config.entries();
            int writes = 0;
            const ScopedWriteHook hook([&] {
                if (writes++ == 0)
                    row.change(config.file());
            });
            CHECK(clear());
            ::close(std::exchange(reader, -1));
            CHECK(writes == row.writes);
            CHECK(readFile(config.file()) == row.after);
            CHECK(config.entries() == entries);
        }
    }
}

TEST_CASE("a file that keeps changing is left as it is")
{
    for (const Way &way : kWays) {
        CAPTURE(way.name);
        const TemporaryConfig config;
        const platform::Descriptor keptOpen = prepare(config, way, kStored);
        const auto entries = config.entries();
        std::string expected = kStored;
        const ScopedWriteHook hook([&] {
            REQUIRE(appendToFile(config.file(), "Added=1\n"));
            expected += "Added=1\n";
        });
        const platform::Result<> cleared = clear();
        REQUIRE(!cleared);
        CHECK(cleared.error() == platform::SystemError{ErrorKind::ChangedMeanwhile, 0});
        CHECK(readFile(config.file()) == expected);
        CHECK(config.entries() == entries);
    }
}

// A program that keeps the file open to write may write to it at any time:
// the tool leaves the file to it, whether it would have renamed a new file
// in place of it (one link) or written it in place (two).
TEST_CASE("a file that another program keeps open to write is left as it is")
{
    for (const Way &way : kLeasedWays) {
        CAPTURE(way.name);
        const TemporaryConfig config;
        const platform::Descriptor keptOpen = prepare(config, way, kStored);
        const platform::Descriptor writer(
            ::open(config.file().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        REQUIRE(writer.isOpen());
        const platform::Result<> cleared = clear();
        REQUIRE(!cleared);
        CHECK(cleared.error() == platform::SystemError{ErrorKind::ChangedMeanwhile, 0});
        CHECK(readFile(config.file()) == kStored);
    }
}

// Beside a reader, a new file takes the old one's name; should another
// program begin to open the old one meanwhile, to write, it gets it back.
TEST_CASE("a program that begins to open the file amid its replacing gets it back")
{
    const TemporaryConfig config;
    const platform::Descriptor keptOpen = prepare(config, kWays[2], kStored);
    int swaps = 0;
    const ScopedSwapHook hook([&] {
        if (swaps++ > 0)
            return;
        // The old file now has the new one's temporary name. Opening it does
        // not wait here, but it begins to, as far as the lease can tell.
        for (const std::string &name : config.entries())
            if (name.starts_with(".KORVEL.ini."))
                CHECK(
                    ::open((config.folder + '/' + name).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)
                    == -1);
    });
    CHECK(clear());
    CHECK(swaps == 2);
    CHECK(readFile(config.file()) == "[Orveta]\nOther=1\n");
    CHECK(config.entries() == std::set<std::string>{"KORVEL.ini"});
}

// A program that looked the file's name up before the writing, but opens it
// only after, as one that the system keeps waiting in between, appends to the
// file that the name stands for at the end.
TEST_CASE("a program that opens the file late still appends to it")
{
    for (const Way &way : kLeasedWays) {
        CAPTURE(way.name);
        const TemporaryConfig config;
        const platform::Descriptor keptOpen = prepare(config, way, kStored);
        int lookedUp = -1;
        const ScopedWriteHook hook(
            [&] { lookedUp = ::open(config.file().c_str(), O_PATH | O_CLOEXEC); });
        CHECK(clear());
        REQUIRE(lookedUp >= 0);
        const std::string opened = "/proc/self/fd/" + std::to_string(lookedUp);
        CHECK(appendToFile(opened, "Late=1\n"));
        ::close(lookedUp);
        CHECK(readFile(config.file()) == "[Orveta]\nOther=1\nLate=1\n");
    }
}

// The keys are stored and cleared again and again while another process
// appends numbered lines, each with an open, a write and a close of its own,
// in bursts that each clearing sets off right before its last check, so that
// they meet the check and the write. Each burst also looks the file up, and
// the next one opens what it found first, as a program held up in between
// would. Every line it wrote is there at the end, once, and the keys are
// gone.
TEST_CASE("no line that another program appends is lost")
{
    for (const Way &way : kLeasedWays) {
        CAPTURE(way.name);
        const TemporaryConfig config;
        const platform::Descriptor keptOpen = prepare(config, way, "# lines of another program\n");
        int go[2], done[2];
        REQUIRE((::pipe(go) == 0 && ::pipe(done) == 0));
        const pid_t writer = ::fork();
        REQUIRE(writer >= 0);
        if (writer == 0) {
            ::close(go[1]);
            int lines = 0;
            int lookedUp = -1;
            const auto appendLate = [&] {
                const std::string opened = "/proc/self/fd/" + std::to_string(lookedUp);
                if (!appendToFile(opened, "Line" + std::to_string(lines++) + "=1\n"))
                    ::_exit(1);
                ::close(lookedUp);
            };
            for (unsigned char burst = 0; ::read(go[0], &burst, 1) == 1;) {
                if (lookedUp >= 0)
                    appendLate();
                if ((lookedUp = ::open(config.file().c_str(), O_PATH | O_CLOEXEC)) < 0)
                    ::_exit(1);
                for (const int end = lines + burst; lines < end; ++lines)
                    if (!appendToFile(config.file(), "Line" + std::to_string(lines) + "=1\n"))
                        ::_exit(1);
            }
            if (lookedUp >= 0)
                appendLate();
            ::_exit(::write(done[1], &lines, sizeof lines) == sizeof lines ? 0 : 1);
        }
        ::close(go[0]);
        ::close(done[1]);

        bool first = true;
        unsigned char burst = 0;
        const ScopedWriteHook hook([&] {
            burst = burst % 40 + 1;
            REQUIRE((!std::exchange(first, false) || ::write(go[1], &burst, 1) == 1));
        });
        int cleared = 0;
        for (int round = 0; round < 300; ++round) {
            REQUIRE(appendToFile(config.file(), "[Orveta]\nKey_Path=/opt/orveta\nPass_Wd=x\n"));
            first = true;
            const platform::Result<> result = clear();
            cleared += result.has_value();
            REQUIRE((result || result.error().kind == ErrorKind::ChangedMeanwhile));
        }
        ::close(go[1]);
        int lines = 0, status = 0;
        CHECK(::read(done[0], &lines, sizeof lines) == sizeof lines);
        CHECK((::waitpid(writer, &status, 0) == writer && status == 0));
        ::close(done[0]);
        CHECK(cleared > 0);
        // With nobody writing any more, the keys go.
        const platform::Result<> last = clear();
        CHECK((last || last.error().kind == ErrorKind::NotFound));

        const std::string contents = readFile(config.file());
        CHECK(contents.find("Key_Path") == std::string::npos);
        CHECK(contents.find("Pass_Wd") == std::string::npos);
        std::vector<int> seen(std::size_t(lines), 0);
        for (std::size_t at = 0; (at = contents.find("\nLine", at)) != std::string::npos;) {
            const int line = std::atoi(contents.c_str() + (at += 5));
            REQUIRE((line >= 0 && line < lines));
            ++seen[std::size_t(line)];
        }
        CHECK(std::count(seen.begin(), seen.end(), 1) == lines);
    }
}

// The clearing reports success only once what it wrote is on the disk: the
// file written in place is synced; a new file is synced before it takes the
// old one's name, and the folder after, so that the new name outlives a
// crash as well. A change found by the last check costs a new file, never a
// swap. Seen in a trace of the system calls of this program run again, for
// this case alone, as the clearing.
TEST_CASE("what the clearing wrote reaches the disk before it ends")
{
    const struct
    {
        const Way &way;
        bool changed; // by another program between the reading and the writing
        const char *calls;
    } rows[] = {
        {kWays[0], false, "fsync file; "},
        {kWays[1], false, "fsync file; "},
        {kWays[2], false, "fsync new file; swap; fsync folder; "},
        {kWays[3], false, "fsync file; "},
        {kWays[0], true, "fsync file; "},
        {kWays[2], true, "fsync new file; fsync new file; swap; fsync folder; "},
    };
    if (const char *traced = std::getenv("ORVETA_TRACED_ROW")) {
        const auto &row = rows[std::atoi(traced)];
        const std::string file = std::string(std::getenv("XDG_CONFIG_HOME")) + "/KORVEL.ini";
        const platform::Descriptor keptOpen(
            row.way.reader ? ::open(file.c_str(), O_RDONLY | O_CLOEXEC) : -1);
        bool changed = !row.changed;
        const ScopedWriteHook hook([&] {
            if (!std::exchange(changed, true))
                REQUIRE(appendToFile(file, "Added=2\n"));
        });
        CHECK(clear());
        return;
    }
    for (std::size_t index = 0; index < std::size(rows); ++index) {
        const auto &row = rows[index];
        CAPTURE(row.way.name);
        CAPTURE(row.changed);
        const TemporaryConfig config;
        REQUIRE(writeFile(config.file(), kStored));
        if (row.way.hardLink)
            REQUIRE(::link(config.file().c_str(), (config.folder + "/linked.ini").c_str()) == 0);
        const std::string trace = config.folder + "/trace";
        const std::string program = std::filesystem::read_symlink("/proc/self/exe");
        const pid_t tracer = ::fork();
        REQUIRE(tracer >= 0);
        if (tracer == 0) {
            ::setenv("ORVETA_TRACED_ROW", std::to_string(index).c_str(), 1);
            ::dup2(::open("/dev/null", O_WRONLY), STDOUT_FILENO);
            ::execlp("strace", "strace", "-f", "-qq", "-y", "-o", trace.c_str(), "-e",
                     "trace=fsync,fdatasync,renameat2,rename", program.c_str(),
                     "-tc=what the clearing wrote reaches the disk before it ends", nullptr);
            ::_exit(127);
        }
        int status = 0;
        REQUIRE(::waitpid(tracer, &status, 0) == tracer);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
            SKIP_TEST("strace is not installed");
        REQUIRE((WIFEXITED(status) && WEXITSTATUS(status) == 0));
        CHECK(readFile(config.file())
              == (row.changed ? "[Orveta]\nOther=1\nAdded=2\n" : "[Orveta]\nOther=1\n"));

        // The calls in the order they came, named by what they touch.
        std::string calls;
        std::istringstream lines(readFile(trace));
        for (std::string line; std::getline(lines, line);) {
            const std::string call = line.substr(line.find_first_not_of(' ', line.find(' ')));
            std::string named = call.substr(0, call.find('('));
            if (call.find('<' + config.file() + '>') != std::string::npos)
                named += " file";
            else if (call.find(config.folder + "/.KORVEL.ini.") != std::string::npos)
                named += " new file";
            else if (call.find('<' + config.folder + '>') != std::string::npos)
                named += " folder";
            if (call.find("RENAME_EXCHANGE") != std::string::npos)
                named = "swap";
            calls += named + "; ";
        }
        CHECK(calls == std::string(row.calls));
    }
}
