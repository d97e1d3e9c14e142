#include "platform/instancelock.h"

#include "platform/posix/descriptor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <expected>
#include <fcntl.h>
#include <list>
#include <optional>
#include <poll.h>
#include <pwd.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

using Step = LockProblem::Step;

constexpr char kProgram[] = "orveta-workdata-delete";
constexpr char kLockName[] = "orveta-workdata-delete.lock";
constexpr char kSocketName[] = "orveta-workdata-delete.socket";

// A token longer than this is no token a desktop hands out.
constexpr std::size_t kLongestToken = 4096;
// Later starts that may be talking to the running copy at once; beyond that
// the one that waited longest is dropped, so that none can pile up.
constexpr std::size_t kMostPendingStarts = 4;
// How long a later start waits for the running copy, all told.
constexpr std::chrono::milliseconds kAnswerWait{1000};

// The folder that holds the lock file and the socket, opened so that the
// names in it are reached without following the path again.
struct Folder
{
    std::string path;
    Descriptor fd;
};

using FolderResult = std::expected<Folder, LockProblem>;

[[nodiscard]] std::unexpected<LockProblem> problem(Step step, std::string path, SystemError error)
{
    return std::unexpected(LockProblem{step, std::move(path), error});
}

FolderResult runtimeFolder(const char *path)
{
    if (path[0] != '/')
        return problem(Step::UseRuntimeFolder, path, {ErrorKind::NotAbsolute, 0});
    Descriptor fd(::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0)
        return problem(Step::UseRuntimeFolder, path, lastSystemError());
    if (info.st_uid != ::geteuid())
        return problem(Step::UseRuntimeFolder, path, {ErrorKind::ForeignOwner, 0});
    if ((info.st_mode & 0022) != 0)
        return problem(Step::UseRuntimeFolder, path, {ErrorKind::OpenToOthers, 0});
    return Folder{path, std::move(fd)};
}

// The user's home: HOME, else the password database's entry.
std::string homeFolder()
{
    if (const char *home = std::getenv("HOME"); home && home[0] == '/')
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry = {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_dir && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

// A base directory of the user's (XDG_STATE_HOME, XDG_CACHE_HOME): the
// variable when it holds an absolute path, else its place in the home.
std::string baseFolder(const char *variable, const char *inHome)
{
    if (const char *value = std::getenv(variable); value && value[0] == '/')
        return value;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + inHome;
}

// A folder of our own under base, made if missing with base itself: no one
// else can write there, unlike in the shared temporary folder, where another
// user could make the folder first and so let every start run. It is made
// and checked through its own descriptor: a real directory, ours, and closed
// to others, its mode mended if need be.
FolderResult privateFolder(const std::string &base)
{
    const std::string path = base + "/" + kProgram;
    if (base.empty() || base[0] != '/')
        return problem(Step::FindHome, {}, {ErrorKind::NotFound, 0});
    // The base directories are the user's own, made with mode 0700.
    std::size_t slash = 0;
    do {
        slash = base.find('/', slash + 1);
        const std::string made = base.substr(0, slash);
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST)
            return problem(Step::Create, made, lastSystemError());
    } while (slash != std::string::npos);
    const Descriptor parent(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.isOpen())
        return problem(Step::Open, base, lastSystemError());
    if (::mkdirat(parent.get(), kProgram, 0700) != 0 && errno != EEXIST)
        return problem(Step::Create, path, lastSystemError());
    Descriptor fd(
        ::openat(parent.get(), kProgram, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0)
        return problem(Step::Open, path, lastSystemError());
    if (info.st_uid != ::geteuid())
        return problem(Step::Open, path, {ErrorKind::ForeignOwner, 0});
    if ((info.st_mode & 07777) != 0700 && ::fchmod(fd.get(), 0700) != 0)
        return problem(Step::MakePrivate, path, lastSystemError());
    return Folder{path, std::move(fd)};
}

// Two copies of one session see the same variables and folders, and so meet
// in the same folder. Every folder passed over adds to problems.
std::optional<Folder> lockFolder(std::vector<LockProblem> &problems)
{
    std::vector<FolderResult> tried;
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] != '\0')
        tried.push_back(runtimeFolder(runtime));
    if (tried.empty() || !tried.back())
        tried.push_back(privateFolder(baseFolder("XDG_STATE_HOME", "/.local/state")));
    if (!tried.back())
        tried.push_back(privateFolder(baseFolder("XDG_CACHE_HOME", "/.cache")));
    for (FolderResult &folder : tried) {
        if (folder)
            return std::move(*folder);
        problems.push_back(folder.error());
    }
    return std::nullopt;
}

// The socket's address. Through the open folder it names the folder that was
// checked, and it is short whatever the folder's own path, which may be too
// long for a socket address; the folder's path serves only without /proc.
std::optional<sockaddr_un> socketAddress(const Folder &folder)
{
    struct stat info = {};
    const std::string path
        = ::stat("/proc/self/fd", &info) == 0
              ? "/proc/self/fd/" + std::to_string(folder.fd.get()) + "/" + kSocketName
              : folder.path + "/" + kSocketName;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// What the desktop gave this start to let a window come to the front: the
// Wayland activation token, or else the X11 startup notification id (which
// some desktops set to the same token).
std::string activationToken()
{
    const char *token = std::getenv("XDG_ACTIVATION_TOKEN");
    if (!token || token[0] == '\0')
        token = std::getenv("DESKTOP_STARTUP_ID");
    std::string line = token ? token : "";
    line = line.substr(0, std::min(line.find('\n'), kLongestToken));
    return line;
}

int millisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return int(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// Waits for the socket to be ready for events; false once the time is up.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, millisecondsLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

struct InstanceLock::State
{
    // A later start that has connected and is sending its line.
    struct PendingStart
    {
        Descriptor fd;
        std::string received;
    };

    ~State()
    {
        // The socket goes while the lock is still held: nobody else may
        // touch it before then.
        if (listener.isOpen())
            ::unlinkat(folder.fd.get(), kSocketName, 0);
    }

    void acceptStarts()
    {
        for (;;) {
            Descriptor fd(
                ::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!fd.isOpen()) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                return;
            }
            // Only the user's own starts may bring the window forward.
            ucred peer = {};
            socklen_t size = sizeof peer;
            if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0
                || peer.uid != ::geteuid())
                continue;
            if (pending.size() >= kMostPendingStarts)
                pending.pop_front();
            epoll_event event{EPOLLIN, {.fd = fd.get()}};
            if (::epoll_ctl(watched.get(), EPOLL_CTL_ADD, fd.get(), &event) == 0)
                pending.push_back({std::move(fd), {}});
        }
    }

    // The token of the start's request once its line is complete; nullopt
    // while it is still on its way. done tells that the start can go.
    std::optional<std::string> readFrom(PendingStart &start, bool &done)
    {
        char buffer[512];
        for (;;) {
            const ssize_t count = ::recv(start.fd.get(), buffer, sizeof buffer, 0);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && errno == EAGAIN)
                return std::nullopt; // the rest of the line is still on its way
            if (count <= 0) {
                done = true; // gone before its line was complete
                return std::nullopt;
            }
            start.received.append(buffer, std::size_t(count));
            const std::size_t end = start.received.find('\n');
            if (end == std::string::npos) {
                if (start.received.size() > kLongestToken) {
                    done = true;
                    return std::nullopt;
                }
                continue;
            }
            // Answered before the window is raised: the later start only
            // needs to know its request arrived.
            [[maybe_unused]] const ssize_t sent = ::send(start.fd.get(), "ok\n", 3, MSG_NOSIGNAL);
            done = true;
            return start.received.substr(0, end);
        }
    }

    std::vector<LockProblem> problems;
    Folder folder;
    Descriptor lock;
    Descriptor listener;
    // Readable whenever the listener or a pending start is: what the face
    // watches.
    Descriptor watched;
    std::list<PendingStart> pending;
};

InstanceLock::InstanceLock()
    : state_(std::make_unique<State>())
{
}

InstanceLock::~InstanceLock() = default;

Result<bool> InstanceLock::tryAcquire()
{
    if (state_->lock.isOpen())
        return true;
    state_->problems.clear();
    std::optional<Folder> folder = lockFolder(state_->problems);
    if (!folder)
        return failure(state_->problems.back().error);
    state_->folder = std::move(*folder);

    const std::string path = state_->folder.path + "/" + kLockName;
    const auto refuse = [&](Step step, SystemError error) {
        state_->problems.push_back({step, path, error});
        return failure(error);
    };
    Descriptor fd(::openat(state_->folder.fd.get(), kLockName,
                           O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat info = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0)
        return refuse(Step::Open, lastSystemError());
    if (!S_ISREG(info.st_mode))
        return refuse(Step::Open, {ErrorKind::NotRegularFile, 0});
    // Whoever else owns the file could hold its lock for ever.
    if (info.st_uid != ::geteuid())
        return refuse(Step::Open, {ErrorKind::ForeignOwner, 0});
    // The kernel gives a flock back when its holder ends, however it ends:
    // only a live copy can block. The file's contents do not matter.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        return refuse(Step::Lock, lastSystemError());
    }
    state_->lock = std::move(fd);
    return true;
}

const std::vector<LockProblem> &InstanceLock::problems() const
{
    return state_->problems;
}

std::string InstanceLock::folder() const
{
    return state_->folder.path;
}

Result<> InstanceLock::askRunningCopyToRaise()
{
    if (!state_->folder.fd.isOpen() || state_->lock.isOpen())
        return {};
    const std::optional<sockaddr_un> address = socketAddress(state_->folder);
    if (!address)
        return failure({ErrorKind::NameTooLong, 0});
    const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;

    // A full backlog answers EAGAIN at once instead of making us wait, and a
    // copy that has only just started may not be listening yet: try again.
    Descriptor fd;
    for (;;) {
        fd = Descriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd.isOpen())
            return failure(lastSystemError());
        if (::connect(fd.get(), reinterpret_cast<const sockaddr *>(&*address), sizeof *address)
            == 0)
            break;
        const SystemError error = lastSystemError();
        if (error.code != EAGAIN && error.code != EINTR && error.code != ENOENT
            && error.code != ECONNREFUSED)
            return failure(error);
        if (millisecondsLeft(deadline) == 0)
            return failure(error);
        ::usleep(20000);
    }

    const std::string line = activationToken() + "\n";
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t count
            = ::send(fd.get(), line.data() + written, line.size() - written, MSG_NOSIGNAL);
        const SystemError error = lastSystemError();
        if (count >= 0)
            written += std::size_t(count);
        else if (error.code != EAGAIN && error.code != EINTR)
            return failure(error);
        else if (error.code == EAGAIN && !waitFor(fd.get(), POLLOUT, deadline))
            return failure({ErrorKind::NoAnswer, 0});
    }
    // The answer only tells that the request arrived; a copy that is busy
    // raises its window later all the same.
    char answer[8];
    if (!waitFor(fd.get(), POLLIN, deadline) || ::recv(fd.get(), answer, sizeof answer, 0) <= 0)
        return failure({ErrorKind::NoAnswer, 0});
    return {};
}

Result<std::optional<int>> InstanceLock::listenForRaiseRequests()
{
    // Only the holder of the lock may replace the socket a dead copy left.
    if (!state_->lock.isOpen())
        return std::nullopt;
    if (state_->watched.isOpen())
        return state_->watched.get();
    const std::optional<sockaddr_un> address = socketAddress(state_->folder);
    if (!address)
        return failure({ErrorKind::NameTooLong, 0});
    const int folder = state_->folder.fd.get();

    ::unlinkat(folder, kSocketName, 0);
    Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.isOpen()
        || ::bind(fd.get(), reinterpret_cast<const sockaddr *>(&*address), sizeof *address) != 0
        || ::fchmodat(folder, kSocketName, 0600, 0) != 0 || ::listen(fd.get(), 8) != 0)
        return failure(lastSystemError());
    Descriptor watched(::epoll_create1(EPOLL_CLOEXEC));
    epoll_event event{EPOLLIN, {.fd = fd.get()}};
    if (!watched.isOpen() || ::epoll_ctl(watched.get(), EPOLL_CTL_ADD, fd.get(), &event) != 0)
        return failure(lastSystemError());
    state_->listener = std::move(fd);
    state_->watched = std::move(watched);
    return state_->watched.get();
}

std::vector<std::string> InstanceLock::takeRaiseRequests()
{
    std::vector<std::string> tokens;
    if (!state_->listener.isOpen())
        return tokens;
    state_->acceptStarts(); // the line has usually come with the connection
    for (auto start = state_->pending.begin(); start != state_->pending.end();) {
        bool done = false;
        if (std::optional<std::string> token = state_->readFrom(*start, done))
            tokens.push_back(std::move(*token));
        start = done ? state_->pending.erase(start) : std::next(start);
    }
    return tokens;
}

} // namespace platform
