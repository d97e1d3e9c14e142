// The settings file is shared with ORVETA and whatever else the user runs:
// a clearing must never lose what another program writes meanwhile.
#include "platform/settingsstore.h"
#include "tests/support/configfolder.h"

#include <cerrno>
#include <cstdlib>
#include <doctest/doctest.h>
#include <fcntl.h>
#include <functional>
#include <set>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using platform::ErrorKind;
using testsupport::appendToFile;
using testsupport::readFile;
using testsupport::ScopedWriteHook;
using testsupport::TemporaryConfig;
using testsupport::writeFile;

ino_t inodeOf(const std::string &path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

platform::Result<> clear()
{
    return platform::deleteSettings(u"KORVEL", u"Orveta", {u"Key_Path", u"Pass_Wd"});
}

const std::string kStored = "[Orveta]\nKey_Path=/opt/orveta\nPass_Wd=x\nOther=1\n";
const std::string kCleared = "[Orveta]\nOther=1\n";

// Either way of writing: a new file renamed over the old one, or, where a
// second hard link shares the file, the old one written in place.
struct Way
{
    const char *name;
    bool inPlace;
};
constexpr Way kWays[] = {{"replaced", false}, {"in place", true}};

void prepare(const TemporaryConfig &config, const Way &way, const std::string &contents)
{
    writeFile(config.file(), contents);
    if (way.inPlace)
        REQUIRE(::link(config.file().c_str(), (config.folder + "/linked.ini").c_str()) == 0);
}

} // namespace

TEST_CASE("both keys go in one reading and one writing")
{
    for (const Way &way : kWays) {
        CAPTURE(way.name);
        const TemporaryConfig config;
        prepare(config, way, kStored);
        const ino_t before = inodeOf(config.file());
        int writes = 0;
        const ScopedWriteHook hook([&] { ++writes; });
        CHECK(clear());
        CHECK(writes == 1);
        CHECK(readFile(config.file()) == kCleared);
        CHECK((inodeOf(config.file()) == before) == way.inPlace);
    }
}

// Whatever another program did between the reading and the writing is
// read again, and kept.
TEST_CASE("a change between reading and writing is read again")
{
    struct Change
    {
        const char *name;
        void (*make)(const std::string &path);
        std::string after;
    };
    const Change changes[] = {
        {"line appended", [](const std::string &path) { REQUIRE(appendToFile(path, "Added=2\n")); },
         "[Orveta]\nOther=1\nAdded=2\n"},
        // Same size, and the time put back: only the bytes tell.
        {"byte changed, time kept",
         [](const std::string &path) {
             struct stat info = {};
             REQUIRE(::stat(path.c_str(), &info) == 0);
             const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
             REQUIRE(::pwrite(fd, "2", 1, off_t(kStored.size() - 2)) == 1);
             const struct timespec times[] = {info.st_atim, info.st_mtim};
             REQUIRE(::futimens(fd, times) == 0);
             REQUIRE(::close(fd) == 0);
         },
         "[Orveta]\nOther=2\n"},
        {"file replaced",
         [](const std::string &path) {
             const std::string other = path + ".new";
             writeFile(other, "[Orveta]\nKey_Path=/srv/new\nPass_Wd=y\nNew=3\n");
             REQUIRE(::rename(other.c_str(), path.c_str()) == 0);
         },
         "[Orveta]\nNew=3\n"},
    };
    for (const Way &way : kWays) {
        for (const Change &change : changes) {
            CAPTURE(way.name);
            CAPTURE(change.name);
            const TemporaryConfig config;
            prepare(config, way, kStored);
            const std::set<std::string> entries = config.entries();
            int writes = 0;
            const ScopedWriteHook hook([&] {
                if (writes++ == 0)
                    change.make(config.file());
            });
            CHECK(clear());
            CHECK(writes == 2);
            CHECK(readFile(config.file()) == change.after);
            CHECK(config.entries() == entries);
        }
    }
}

TEST_CASE("a file that keeps changing is left as it is")
{
    for (const Way &way : kWays) {
        CAPTURE(way.name);
        const TemporaryConfig config;
        prepare(config, way, kStored);
        const std::set<std::string> entries = config.entries();
        std::string expected = kStored;
        int writes = 0;
        const ScopedWriteHook hook([&] {
            const std::string line = "Added" + std::to_string(++writes) + "=1\n";
            REQUIRE(appendToFile(config.file(), line));
            expected += line;
        });
        const platform::Result<> cleared = clear();
        REQUIRE(!cleared);
        CHECK(cleared.error() == platform::SystemError{ErrorKind::ChangedMeanwhile, 0});
        CHECK(writes > 1);
        CHECK(readFile(config.file()) == expected);
        CHECK(config.entries() == entries);
    }
}

TEST_CASE("a file another program keeps open is cleared all the same")
{
    for (const Way &way : kWays) {
        CAPTURE(way.name);
        const TemporaryConfig config;
        prepare(config, way, kStored);
        const int reader = ::open(config.file().c_str(), O_RDONLY | O_CLOEXEC);
        REQUIRE(reader >= 0);
        CHECK(clear());
        CHECK(readFile(config.file()) == kCleared);
        ::close(reader);
    }
}

namespace {

// Another process that appends numbered lines to the settings file, each
// with an open, a write and a close of its own: a given number as fast as
// it can, or in bursts of as many lines as each byte that it is sent says.
class LineWriter final
{
public:
    LineWriter(const std::string &path, int lines, bool inBursts)
    {
        int go[2], done[2];
        REQUIRE(::pipe2(go, O_CLOEXEC) == 0);
        REQUIRE(::pipe2(done, O_CLOEXEC) == 0);
        pid_ = ::fork();
        REQUIRE(pid_ >= 0);
        if (pid_ == 0) {
            ::close(go[1]);
            int written = 0;
            const auto writeLines = [&](int count) {
                for (const int end = written + count; written < end; ++written)
                    if (!appendToFile(path, "Line" + std::to_string(written) + "=1\n"))
                        ::_exit(1);
            };
            unsigned char burst = 0;
            if (!inBursts)
                writeLines(lines);
            while (inBursts && ::read(go[0], &burst, 1) == 1)
                writeLines(burst);
            ::_exit(::write(done[1], &written, sizeof written) == sizeof written ? 0 : 1);
        }
        ::close(go[0]);
        ::close(done[1]);
        go_ = go[1];
        done_ = done[0];
    }
    ~LineWriter()
    {
        ::close(go_);
        ::close(done_);
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    LineWriter(const LineWriter &) = delete;
    LineWriter &operator=(const LineWriter &) = delete;

    void burst(unsigned char lines) { REQUIRE(::write(go_, &lines, 1) == 1); }

    // Without collecting it, which finish does.
    [[nodiscard]] bool running() const
    {
        siginfo_t info = {};
        return ::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0
               && info.si_pid == 0;
    }

    // The number of lines written, once the last burst is done.
    [[nodiscard]] int finish()
    {
        ::close(go_);
        go_ = -1;
        int lines = -1;
        if (::read(done_, &lines, sizeof lines) != sizeof lines)
            return -1;
        int status = 0;
        const bool ended = ::waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? lines : -1;
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    int done_ = -1;
};

// Every line from 0 to lines - 1 once and nothing else numbered: how many
// are missing or there more than once.
int missingOrDoubled(const std::string &contents, int lines)
{
    std::vector<int> seen(std::size_t(lines), 0);
    int wrong = 0;
    for (std::size_t at = 0; (at = contents.find("\nLine", at)) != std::string::npos;) {
        at += 5;
        const int line = std::atoi(contents.c_str() + at);
        if (line < 0 || line >= lines)
            ++wrong;
        else
            ++seen[std::size_t(line)];
    }
    for (const int times : seen)
        wrong += times != 1;
    return wrong;
}

} // namespace

// The keys are stored and cleared again and again while another program
// appends lines: every line it wrote is there at the end, once, and the
// keys are gone. It writes either all the time, or in bursts that the
// clearing itself sets off right before its last check, so that they meet
// the check and the write.
TEST_CASE("no line that another program appends is lost")
{
    for (const Way &way : kWays) {
        for (const bool inBursts : {false, true}) {
            CAPTURE(way.name);
            CAPTURE(inBursts);
            const TemporaryConfig config;
            prepare(config, way, "# lines of another program\n");
            LineWriter writer(config.file(), 20000, inBursts);
            bool first = true;
            unsigned char burstSize = 0;
            int writes = 0;
            const ScopedWriteHook hook([&] {
                ++writes;
                if (inBursts && first) {
                    first = false;
                    writer.burst(burstSize = (burstSize % 40) + 1);
                }
            });
            int cleared = 0, changed = 0;
            for (int round = 0; inBursts ? round < 300 : writer.running(); ++round) {
                REQUIRE(appendToFile(config.file(), "[Orveta]\nKey_Path=/opt/orveta\nPass_Wd=x\n"));
                first = true;
                const platform::Result<> result = clear();
                if (result)
                    ++cleared;
                else if (result.error().kind == ErrorKind::ChangedMeanwhile)
                    ++changed;
                else
                    FAIL("the clearing failed otherwise");
            }
            const int lines = writer.finish();
            REQUIRE(lines > 0);
            MESSAGE((std::string(way.name) + (inBursts ? ", in bursts: " : ": ")
                     + std::to_string(lines) + " lines, " + std::to_string(cleared)
                     + " clearings in " + std::to_string(writes) + " writes, "
                     + std::to_string(changed) + " given up"));
            CHECK((!inBursts || cleared > 0));
            // With nobody writing any more, the keys go.
            const platform::Result<> last = clear();
            CHECK((last || last.error().kind == ErrorKind::NotFound));

            const std::string contents = readFile(config.file());
            CHECK(contents.find("Key_Path") == std::string::npos);
            CHECK(contents.find("Pass_Wd") == std::string::npos);
            CHECK(missingOrDoubled(contents, lines) == 0);
        }
    }
}
