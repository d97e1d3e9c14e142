// The single-instance lock on Linux: only one copy runs at a time, later
// ones ask it to come to the front, and what keeps the lock from its place
// is handed to the caller, never written by the lock itself. Copies are the
// lockholder helper, which applies the rule as the tool does.

#include "platform/instancelock.h"
#include "shell/texts.h"
#include "tests/support/environment.h"
#include "tests/support/process.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/skip.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <doctest/doctest.h>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::kPatience;
using testsupport::ScopedEnvironment;

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;
constexpr char kLockName[] = "orveta-workdata-delete.lock";
constexpr char kSocketName[] = "orveta-workdata-delete.socket";

mode_t modeOf(const fs::path &path)
{
    struct stat info = {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : ~0u;
}

bool changeOwner(const fs::path &path, uid_t owner)
{
    return ::lchown(path.c_str(), owner, owner) == 0;
}

bool isEmptyFolder(const fs::path &path)
{
    std::error_code error;
    return fs::is_empty(path, error) && !error;
}

// Connects to the socket as another user and sends a line: true once
// connected. The line may find the other end already closed.
bool sendAsNobody(const fs::path &socketPath, const std::string &line)
{
    sockaddr_un address{AF_UNIX, {}};
    socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool connected
            = ::setresgid(kNobody, kNobody, kNobody) == 0
              && ::setresuid(kNobody, kNobody, kNobody) == 0
              && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        if (connected)
            ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
        ::_exit(connected ? 0 : 1);
    }
    int status = 0;
    pid_t waited = -1;
    while (pid > 0 && (waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) { }
    return waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A root of folders for copies of the tool: a runtime folder, a home and a
// temporary folder of their own.
class Copies final
{
public:
    Copies()
    {
        REQUIRE(root_.isValid());
        for (const char *folder : {"runtime", "home", "tmp"})
            REQUIRE(fs::create_directory(root_ / folder));
        REQUIRE(::chmod(runtime().c_str(), 0700) == 0);
    }

    [[nodiscard]] fs::path root() const { return root_.path(); }
    [[nodiscard]] fs::path runtime() const { return root_ / "runtime"; }
    // The folders under the home that serve without a runtime folder.
    [[nodiscard]] fs::path state() const
    {
        return root_ / "home/.local/state/orveta-workdata-delete";
    }
    [[nodiscard]] fs::path cache() const { return root_ / "home/.cache/orveta-workdata-delete"; }
    // Where the lock once went without a runtime folder, and where anybody
    // can make a folder of that name first.
    [[nodiscard]] fs::path temporary() const
    {
        return root_ / ("tmp/orveta-workdata-delete-" + std::to_string(::geteuid()));
    }

    // Starts a copy with the given variables: a value sets, nullopt unsets,
    // and {root} in a value stands for the test's own folder.
    ChildProcess &start(const std::map<std::string, std::optional<std::string>> &environment = {},
                        bool asNobody = false)
    {
        std::map<std::string, std::optional<std::string>> variables{
            {"XDG_ACTIVATION_TOKEN", std::nullopt},
            {"DESKTOP_STARTUP_ID", std::nullopt},
            {"XDG_STATE_HOME", std::nullopt},
            {"XDG_CACHE_HOME", std::nullopt},
            {"XDG_RUNTIME_DIR", runtime()},
            {"HOME", root_ / "home"},
            {"TMPDIR", root_ / "tmp"},
        };
        for (auto [name, value] : environment) {
            if (value)
                if (const std::size_t at = value->find("{root}"); at != std::string::npos)
                    value->replace(at, 6, root_.path().string());
            variables[name] = value;
        }
        copies_.push_back(std::make_unique<ChildProcess>(LOCKHOLDER_EXECUTABLE, variables,
                                                         asNobody ? std::optional<uid_t>(kNobody)
                                                                  : std::nullopt));
        return *copies_.back();
    }

private:
    testsupport::ScratchFolder root_;
    std::vector<std::unique_ptr<ChildProcess>> copies_;
};

// What a copy that ends by itself printed, or "(running)".
std::string endedWith(ChildProcess &copy)
{
    if (!copy.waitForExit())
        return "(running)";
    return copy.nextLine(0ms);
}

} // namespace

// Each later start is turned away and brings the first to the front.
// Without a runtime folder the lock goes under the home, never into the
// temporary folder. A socket's address holds 107 bytes: the way to the
// socket does not depend on the folder's path.
TEST_CASE("one copy runs at a time, and later starts bring it to the front")
{
    std::string deep = "deep";
    while (deep.size() < 200)
        deep += "/folder-of-a-long-path";
    const struct
    {
        std::string name;
        std::map<std::string, std::optional<std::string>> environment;
        std::string folder; // where the lock is, in the test's folder
        bool made; // by the test, as a runtime folder is made by the session
    } rows[] = {
        {"runtime folder", {}, "runtime", false},
        {"runtime folder of 200 characters", {{"XDG_RUNTIME_DIR", "{root}/" + deep}}, deep, true},
        {"no runtime folder",
         {{"XDG_RUNTIME_DIR", std::nullopt}},
         "home/.local/state/orveta-workdata-delete",
         false},
        {"no runtime folder, state folder of 200 characters",
         {{"XDG_RUNTIME_DIR", std::nullopt}, {"XDG_STATE_HOME", "{root}/" + deep}},
         deep + "/orveta-workdata-delete",
         false},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        Copies copies;
        const fs::path folder = copies.root() / row.folder;
        if (row.made)
            REQUIRE((fs::create_directories(folder) && ::chmod(folder.c_str(), 0700) == 0));
        ChildProcess &first = copies.start(row.environment);
        REQUIRE(first.nextLine() == "first");
        for (int i = 0; i < 20; ++i) {
            auto environment = row.environment;
            environment["XDG_ACTIVATION_TOKEN"] = std::to_string(i);
            ChildProcess &later = copies.start(environment);
            CHECK(endedWith(later) == "second");
            CHECK(later.waitForExit() == 0);
            CHECK(later.errors == "");
            CHECK(first.nextLine() == "raised " + std::to_string(i));
        }
        CHECK(!first.waitForExit(0ms));
        CHECK(first.errorLines(0ms) == "");
        CHECK(fs::exists(folder / kLockName));
        CHECK(modeOf(folder) == 0700);
        CHECK(!fs::exists(copies.temporary()));
        // No folder is made past the one the lock went to.
        if (row.environment.contains("XDG_RUNTIME_DIR") && !row.made)
            CHECK(!fs::exists(copies.cache()));
        else
            CHECK(!fs::exists(copies.state()));
    }
}

TEST_CASE("a copy that ended, however it ended, blocks no later start")
{
    for (const bool killed : {true, false}) {
        CAPTURE(killed);
        Copies copies;
        ChildProcess &first = copies.start();
        REQUIRE(first.nextLine() == "first");
        if (killed)
            ::kill(first.pid(), SIGKILL);
        else
            first.closeInput();
        REQUIRE(first.waitForExit());
        if (!killed) {
            CHECK(first.waitForExit() == 0);
            CHECK(first.errors == "");
            // A copy that ended leaves no socket behind.
            CHECK(!fs::exists(copies.runtime() / kSocketName));
        }
        CHECK(fs::exists(copies.runtime() / kLockName));

        // The next copy takes over, the dead copy's socket included.
        ChildProcess &next = copies.start();
        CHECK(next.nextLine() == "first");
        CHECK(endedWith(copies.start({{"XDG_ACTIVATION_TOKEN", "again"}})) == "second");
        CHECK(next.nextLine() == "raised again");
    }
}

TEST_CASE("a lock that cannot be checked lets the copy start, and it says why")
{
    const std::map<std::string, std::optional<std::string>> noRuntime{
        {"XDG_RUNTIME_DIR", std::nullopt}};
    const struct
    {
        std::string name;
        std::map<std::string, std::optional<std::string>> environment;
        bool asNobody;
        bool told; // a line on standard error says why
        bool exclusive; // a second copy is still kept out
    } rows[] = {
        {"runtime folder missing",
         {{"XDG_RUNTIME_DIR", "/nonexistent/runtime"}},
         false,
         true,
         true},
        // Relative: it would depend on the folder the copy was started in.
        {"runtime folder relative", {{"XDG_RUNTIME_DIR", "."}}, false, true, true},
        {"runtime folder writable by others", {}, false, true, true},
        {"runtime folder writable by its group", {}, false, true, true},
        // Its owner could take the lock from under us, or read our socket.
        {"runtime folder of another user", {}, false, true, true},
        {"runtime folder not writable", {}, true, true, false},
        {"lock file empty", {}, false, false, true},
        {"lock file of an old copy on another host", {}, false, false, true},
        {"lock file of another user", {}, false, true, false},
        {"lock file a dangling link", {}, false, true, false},
        // Refused, and the cache folder serves instead.
        {"state folder of another user", noRuntime, false, true, true},
        {"state folder a link", noRuntime, false, true, true},
        // Ours, made private again.
        {"state folder open to others", noRuntime, false, false, true},
        {"state folder readable by its group", noRuntime, false, false, true},
        // Another user made the folder where the lock went once: it is no
        // longer looked at.
        {"temporary folder of another user", noRuntime, false, false, true},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        if ((row.asNobody || row.name.ends_with("another user")) && ::geteuid() != 0) {
            testsupport::recordSkip("only root can hand a folder or file to another user");
            continue;
        }
        Copies copies;
        const fs::path lockPath = copies.runtime() / kLockName;
        const fs::path elsewhere = copies.root() / "elsewhere";
        if (row.name == "runtime folder not writable") {
            REQUIRE(::chmod(copies.root().c_str(), 0701) == 0);
            REQUIRE(changeOwner(copies.runtime(), kNobody));
            REQUIRE(::chmod(copies.runtime().c_str(), 0500) == 0);
        } else if (row.name == "runtime folder writable by others") {
            REQUIRE(::chmod(copies.runtime().c_str(), 01777) == 0);
        } else if (row.name == "runtime folder writable by its group") {
            REQUIRE(::chmod(copies.runtime().c_str(), 0770) == 0);
        } else if (row.name == "runtime folder of another user") {
            REQUIRE(changeOwner(copies.runtime(), kNobody));
        } else if (row.name.starts_with("lock file")) {
            if (row.name.ends_with("link"))
                REQUIRE(::symlink(elsewhere.c_str(), lockPath.c_str()) == 0);
            else
                REQUIRE(testsupport::writeFile(lockPath,
                                               row.name.find("old copy") != std::string::npos
                                                   ? "12345\norveta-workdata-delete\nanother-host\n"
                                                   : ""));
            if (row.name.find("another user") != std::string::npos)
                REQUIRE(changeOwner(lockPath, kNobody));
        } else if (row.name == "state folder of another user") {
            REQUIRE(
                (fs::create_directories(copies.state()) && changeOwner(copies.state(), kNobody)));
            REQUIRE(::chmod(copies.state().c_str(), 0755) == 0);
        } else if (row.name == "state folder a link") {
            REQUIRE((fs::create_directory(elsewhere)
                     && fs::create_directories(copies.state().parent_path())));
            REQUIRE(::symlink(elsewhere.c_str(), copies.state().c_str()) == 0);
        } else if (row.name == "state folder open to others") {
            REQUIRE(fs::create_directories(copies.state()));
            REQUIRE(::chmod(copies.state().c_str(), 0777) == 0);
        } else if (row.name == "state folder readable by its group") {
            REQUIRE(fs::create_directories(copies.state()));
            REQUIRE(::chmod(copies.state().c_str(), 0750) == 0);
        } else if (row.name == "temporary folder of another user") {
            REQUIRE((fs::create_directory(copies.temporary())
                     && changeOwner(copies.temporary(), kNobody)));
            REQUIRE(::chmod(copies.temporary().c_str(), 0777) == 0);
        }

        ChildProcess &first = copies.start(row.environment, row.asNobody);
        REQUIRE(first.nextLine() == "first");
        // Waited for a while when none is expected, in case it comes late.
        const std::string error = first.errorLines(row.told ? kPatience : 200ms);
        CHECK(std::ranges::count(error, '\n') == (row.told ? 1 : 0));
        if (row.told)
            CHECK(error.starts_with("orveta-workdata-delete: "));

        ChildProcess &later = copies.start(row.environment, row.asNobody);
        CHECK(later.waitForExit(row.exclusive ? kPatience : 500ms).has_value() == row.exclusive);
        CHECK(later.nextLine() == (row.exclusive ? "second" : "first"));

        // Nothing that was found in the way was changed.
        if (row.name == "state folder of another user")
            CHECK(modeOf(copies.state()) == 0755);
        if (row.name.ends_with("link"))
            CHECK((!fs::exists(elsewhere) || isEmptyFolder(elsewhere)));
        if (row.name.starts_with("state folder") && !row.name.ends_with("open to others")
            && !row.name.ends_with("readable by its group"))
            CHECK(fs::exists(copies.cache() / kLockName));
        if (row.name == "state folder open to others"
            || row.name == "state folder readable by its group")
            CHECK(modeOf(copies.state()) == 0700);
        // A runtime folder refused is left as it was, and the lock goes under
        // the home.
        if (row.name.starts_with("runtime folder") && row.name != "runtime folder missing"
            && row.name != "runtime folder not writable") {
            CHECK(isEmptyFolder(copies.runtime()));
            CHECK(fs::exists(copies.state() / kLockName));
        }
        if (row.name == "temporary folder of another user") {
            CHECK(isEmptyFolder(copies.temporary()));
            CHECK(fs::exists(copies.state() / kLockName));
        }
    }
}

TEST_CASE("the desktop's activation token is passed on to the running copy")
{
    const struct
    {
        const char *name;
        std::map<std::string, std::optional<std::string>> environment;
        std::string token;
    } rows[] = {
        {"Wayland token", {{"XDG_ACTIVATION_TOKEN", "wl-42"}}, "wl-42"},
        {"X11 startup id",
         {{"DESKTOP_STARTUP_ID", "host;1234-0-demo_TIME5678"}},
         "host;1234-0-demo_TIME5678"},
        {"both", {{"XDG_ACTIVATION_TOKEN", "wl-1"}, {"DESKTOP_STARTUP_ID", "x11-1"}}, "wl-1"},
        {"none", {}, ""},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        Copies copies;
        ChildProcess &first = copies.start();
        REQUIRE(first.nextLine() == "first");
        CHECK(endedWith(copies.start(row.environment)) == "second");
        CHECK(first.nextLine() == "raised " + row.token);
    }
}

TEST_CASE("a later start does not wait for a copy that does not answer")
{
    Copies copies;
    ChildProcess &first = copies.start();
    REQUIRE(first.nextLine() == "first");
    REQUIRE(::kill(first.pid(), SIGSTOP) == 0);
    ChildProcess &later = copies.start({{"XDG_ACTIVATION_TOKEN", "late"}});
    REQUIRE(later.waitForExit(kPatience)); // it did not hang on the stopped copy
    CHECK(later.nextLine(0ms) == "second");
    CHECK(later.errors.find("no answer") != std::string::npos);

    // The request waited in the socket and is heard once the copy goes on.
    REQUIRE(::kill(first.pid(), SIGCONT) == 0);
    CHECK(first.nextLine() == "raised late");
}

TEST_CASE("requests of other users are ignored")
{
    if (::geteuid() != 0)
        SKIP_TEST("only root can send as another user");
    Copies copies;
    ChildProcess &first = copies.start();
    REQUIRE(first.nextLine() == "first");
    // Open the way to the socket, which only the user could reach.
    const fs::path socketPath = copies.runtime() / kSocketName;
    REQUIRE(::chmod(copies.root().c_str(), 0711) == 0);
    REQUIRE(::chmod(copies.runtime().c_str(), 0711) == 0);
    REQUIRE(::chmod(socketPath.c_str(), 0666) == 0);
    REQUIRE(sendAsNobody(socketPath, "intruder\n"));

    CHECK(endedWith(copies.start({{"XDG_ACTIVATION_TOKEN", "mine"}})) == "second");
    CHECK(first.nextLine() == "raised mine");
}

// The lock writes nothing itself: what kept it from the runtime folder comes
// back to the caller, which tells it.
TEST_CASE("what keeps the lock from its folder is handed to the caller")
{
    const testsupport::ScratchFolder home;
    REQUIRE(home.isValid());
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", "/nonexistent/runtime");
    const ScopedEnvironment homeVariable("HOME", home.path().string());
    const ScopedEnvironment state("XDG_STATE_HOME", std::nullopt);

    int errors[2];
    REQUIRE(::pipe2(errors, O_NONBLOCK | O_CLOEXEC) == 0);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(errors[1], STDERR_FILENO);
    platform::InstanceLock lock;
    const platform::Result<bool> acquired = lock.tryAcquire();
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
    char written[256];
    const ssize_t count = ::read(errors[0], written, sizeof written);
    ::close(errors[0]);
    ::close(errors[1]);

    CHECK(count < 0); // nothing
    REQUIRE(acquired);
    CHECK(*acquired);
    const std::string folder = (home / ".local/state/orveta-workdata-delete").string();
    CHECK(lock.folder() == folder);
    REQUIRE(lock.problems().size() == 1);
    CHECK(lock.problems().front()
          == platform::LockProblem{platform::LockProblem::Step::UseRuntimeFolder,
                                   "/nonexistent/runtime", platform::systemError(ENOENT)});
    CHECK(texts::lockNote(lock.problems(), lock.folder())
          == "orveta-workdata-delete: XDG_RUNTIME_DIR=/nonexistent/runtime cannot be used (No "
             "such file or directory): using "
                 + folder);
}

// No event loop of any toolkit: a later start's request makes the
// descriptor readable, and the call takes its token.
TEST_CASE("a later start's request comes through the descriptor the face watches")
{
    const testsupport::ScratchFolder runtime;
    REQUIRE(runtime.isValid());
    REQUIRE(::chmod(runtime.path().c_str(), 0700) == 0);
    const ScopedEnvironment runtimeVariable("XDG_RUNTIME_DIR", runtime.path().string());
    platform::InstanceLock lock;
    REQUIRE(lock.tryAcquire() == true);
    const platform::Result<std::optional<int>> watched = lock.listenForRaiseRequests();
    REQUIRE(watched);
    REQUIRE(*watched);
    pollfd entry{**watched, POLLIN, 0};
    CHECK(::poll(&entry, 1, 0) == 0);
    CHECK(lock.takeRaiseRequests().empty());

    const pid_t later = ::fork();
    if (later == 0) {
        ::setenv("XDG_ACTIVATION_TOKEN", "token-1", 1);
        platform::InstanceLock second;
        const bool asked = second.tryAcquire() == false && second.askRunningCopyToRaise();
        ::_exit(asked ? 0 : 1);
    }
    std::vector<std::string> tokens;
    for (int round = 0; round < 50 && tokens.empty(); ++round)
        if (::poll(&entry, 1, 5000) > 0)
            tokens = lock.takeRaiseRequests();
    int status = 0;
    REQUIRE(::waitpid(later, &status, 0) == later);
    CHECK(tokens == std::vector<std::string>{"token-1"});
    CHECK((WIFEXITED(status) && WEXITSTATUS(status) == 0));
    CHECK(::poll(&entry, 1, 0) == 0);
}
