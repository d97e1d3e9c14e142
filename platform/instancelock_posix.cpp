#include "platform/instancelock.h"
#include "platform/posix.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <optional>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

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

void tell(const std::string &text)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

std::string failed(const std::string &what, int error)
{
    return what + ": " + std::strerror(error);
}

// The folder that holds the lock file and the socket, opened so that the
// names in it are reached without following the path again.
struct Folder
{
    std::string path;
    Descriptor fd;
    std::string problem; // why there is no usable folder; empty when there is
};

Folder runtimeFolder(const char *path)
{
    Folder folder{path, {}, {}};
    if (path[0] != '/') {
        folder.problem = "not an absolute path";
        return folder;
    }
    folder.fd = Descriptor(::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info = {};
    if (!folder.fd.isOpen() || ::fstat(folder.fd.get(), &info) != 0)
        folder.problem = std::strerror(errno);
    else if (info.st_uid != ::geteuid())
        folder.problem = "it belongs to another user";
    else if ((info.st_mode & 0022) != 0)
        folder.problem = "other users may write to it";
    return folder;
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
Folder privateFolder(const std::string &base)
{
    Folder folder{base + "/" + kProgram, {}, {}};
    if (base.empty() || base[0] != '/') {
        folder.problem = "no home folder";
        return folder;
    }
    // The base directories are the user's own, made with mode 0700.
    std::size_t slash = 0;
    do {
        slash = base.find('/', slash + 1);
        const std::string made = base.substr(0, slash);
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            folder.problem = failed("cannot create " + made, errno);
            return folder;
        }
    } while (slash != std::string::npos);
    const Descriptor parent(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.isOpen()) {
        folder.problem = failed("cannot open " + base, errno);
        return folder;
    }
    if (::mkdirat(parent.get(), kProgram, 0700) != 0 && errno != EEXIST) {
        folder.problem = failed("cannot create " + folder.path, errno);
        return folder;
    }
    folder.fd = Descriptor(
        ::openat(parent.get(), kProgram, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info = {};
    if (!folder.fd.isOpen() || ::fstat(folder.fd.get(), &info) != 0)
        folder.problem = failed(folder.path + " is not a usable folder", errno);
    else if (info.st_uid != ::geteuid())
        folder.problem = folder.path + " belongs to another user";
    else if ((info.st_mode & 07777) != 0700 && ::fchmod(folder.fd.get(), 0700) != 0)
        folder.problem = failed("cannot make " + folder.path + " private", errno);
    return folder;
}

// Two copies of one session see the same variables and folders, and so meet
// in the same folder.
Folder lockFolder()
{
    std::string problems;
    const auto note = [&problems](const std::string &problem) {
        problems += (problems.empty() ? "" : "; ") + problem;
    };
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] != '\0') {
        Folder folder = runtimeFolder(runtime);
        if (folder.problem.empty())
            return folder;
        note("XDG_RUNTIME_DIR=" + folder.path + " cannot be used (" + folder.problem + ")");
    }
    for (const std::string &base :
         {baseFolder("XDG_STATE_HOME", "/.local/state"), baseFolder("XDG_CACHE_HOME", "/.cache")}) {
        Folder folder = privateFolder(base);
        if (folder.problem.empty()) {
            if (!problems.empty())
                tell(problems + ": using " + folder.path);
            return folder;
        }
        note(folder.problem);
    }
    return {{}, {}, problems};
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

bool startAnyway(const std::string &why)
{
    tell("cannot check for a running copy (" + why + "): starting anyway");
    return true;
}

} // namespace

struct InstanceLock::State
{
    struct PendingStart
    {
        std::uint64_t id;
        Descriptor fd;
        std::unique_ptr<QSocketNotifier> notifier;
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
            Descriptor fd(::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
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
                drop(pending.front().id);
            const std::uint64_t id = ++lastId;
            const int socket = fd.get();
            auto notifier = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
            QObject::connect(notifier.get(), &QSocketNotifier::activated,
                             [this, id] { readFrom(id); });
            pending.push_back({id, std::move(fd), std::move(notifier), {}});
            readFrom(id); // the line has usually come with the connection
        }
    }

    void readFrom(std::uint64_t id)
    {
        const auto start = find(id);
        if (start == pending.end())
            return;
        char buffer[512];
        for (;;) {
            const ssize_t count = ::recv(start->fd.get(), buffer, sizeof buffer, 0);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && errno == EAGAIN)
                return; // the rest of the line is still on its way
            if (count <= 0) {
                drop(id); // gone before its line was complete
                return;
            }
            start->received.append(buffer, std::size_t(count));
            const std::size_t end = start->received.find('\n');
            if (end == std::string::npos) {
                if (start->received.size() > kLongestToken) {
                    drop(id);
                    return;
                }
                continue;
            }
            const std::string token = start->received.substr(0, end);
            // Answered before the window is raised: the later start only
            // needs to know its request arrived.
            [[maybe_unused]] const ssize_t sent = ::send(start->fd.get(), "ok\n", 3, MSG_NOSIGNAL);
            drop(id);
            if (raise)
                raise(token);
            return;
        }
    }

    std::list<PendingStart>::iterator find(std::uint64_t id)
    {
        return std::find_if(pending.begin(), pending.end(),
                            [id](const PendingStart &start) { return start.id == id; });
    }

    void drop(std::uint64_t id)
    {
        const auto start = find(id);
        if (start == pending.end())
            return;
        // The notifier may be the very one whose signal is being handled.
        start->notifier->setEnabled(false);
        start->notifier.release()->deleteLater();
        pending.erase(start);
    }

    Folder folder;
    Descriptor lock;
    Descriptor listener;
    std::unique_ptr<QSocketNotifier> listenerNotifier;
    std::list<PendingStart> pending;
    std::uint64_t lastId = 0;
    std::function<void(const std::string &)> raise;
};

InstanceLock::InstanceLock()
    : state_(std::make_unique<State>())
{
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryAcquire()
{
    if (state_->lock.isOpen())
        return true;
    state_->folder = lockFolder();
    const Folder &folder = state_->folder;
    if (!folder.problem.empty())
        return startAnyway(folder.problem);

    const std::string path = folder.path + "/" + kLockName;
    Descriptor fd(
        ::openat(folder.fd.get(), kLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat info = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0)
        return startAnyway(failed("cannot open " + path, errno));
    if (!S_ISREG(info.st_mode))
        return startAnyway(path + " is not a regular file");
    // Whoever else owns the file could hold its lock for ever.
    if (info.st_uid != ::geteuid())
        return startAnyway(path + " belongs to another user");
    // The kernel gives a flock back when its holder ends, however it ends:
    // only a live copy can block. The file's contents do not matter.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        return startAnyway(failed("cannot lock " + path, errno));
    }
    state_->lock = std::move(fd);
    return true;
}

void InstanceLock::askRunningCopyToRaise()
{
    if (!state_->folder.fd.isOpen() || state_->lock.isOpen())
        return;
    const std::optional<sockaddr_un> address = socketAddress(state_->folder);
    if (!address)
        return;
    const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
    const auto giveUp = [](const std::string &why) {
        tell("cannot ask the running copy to come to the front (" + why + ")");
    };

    // A full backlog answers EAGAIN at once instead of making us wait, and a
    // copy that has only just started may not be listening yet: try again.
    Descriptor fd;
    for (;;) {
        fd = Descriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd.isOpen())
            return giveUp(std::strerror(errno));
        if (::connect(fd.get(), reinterpret_cast<const sockaddr *>(&*address), sizeof *address)
            == 0)
            break;
        const int error = errno;
        if (error != EAGAIN && error != EINTR && error != ENOENT && error != ECONNREFUSED)
            return giveUp(std::strerror(error));
        if (millisecondsLeft(deadline) == 0)
            return giveUp(std::strerror(error));
        ::usleep(20000);
    }

    const std::string line = activationToken() + "\n";
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t count
            = ::send(fd.get(), line.data() + written, line.size() - written, MSG_NOSIGNAL);
        const int error = errno;
        if (count >= 0)
            written += std::size_t(count);
        else if (error != EAGAIN && error != EINTR)
            return giveUp(std::strerror(error));
        else if (error == EAGAIN && !waitFor(fd.get(), POLLOUT, deadline))
            return giveUp("no answer");
    }
    // The answer only tells that the request arrived; a copy that is busy
    // raises its window later all the same.
    char answer[8];
    if (!waitFor(fd.get(), POLLIN, deadline) || ::recv(fd.get(), answer, sizeof answer, 0) <= 0)
        giveUp("no answer");
}

void InstanceLock::listenForRaiseRequests(
    std::function<void(const std::string &activationToken)> raise)
{
    // Only the holder of the lock may replace the socket a dead copy left.
    if (!state_->lock.isOpen() || state_->listener.isOpen())
        return;
    state_->raise = std::move(raise);
    const std::optional<sockaddr_un> address = socketAddress(state_->folder);
    if (!address)
        return tell("cannot listen for later starts (the folder's path is too long)");
    const int folder = state_->folder.fd.get();

    ::unlinkat(folder, kSocketName, 0);
    Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.isOpen()
        || ::bind(fd.get(), reinterpret_cast<const sockaddr *>(&*address), sizeof *address) != 0
        || ::fchmodat(folder, kSocketName, 0600, 0) != 0 || ::listen(fd.get(), 8) != 0)
        return tell(failed("cannot listen for later starts", errno));

    state_->listener = std::move(fd);
    state_->listenerNotifier
        = std::make_unique<QSocketNotifier>(state_->listener.get(), QSocketNotifier::Read);
    QObject::connect(state_->listenerNotifier.get(), &QSocketNotifier::activated,
                     [state = state_.get()] { state->acceptStarts(); });
}

} // namespace platform
