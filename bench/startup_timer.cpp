// startup-timer [--settle-ms N] [--timeout-ms N] -- PROGRAM [ARGS...]
//
// Starts PROGRAM and waits on the X server named by DISPLAY for the first
// top-level window of that process to be mapped. Prints one line:
//
//     startup_ms=<ms> cpu_ms=<ms> vmhwm_kb=<kB> vmrss_kb=<kB>
//
// startup_ms runs from spawning the program to the MapNotify; cpu_ms is the
// time the program's threads had been on a CPU by then (from
// /proc/<pid>/task/*/schedstat), which a busy machine disturbs far less.
// The memory figures are read from /proc/<pid>/status once the window has been
// up for the settle time (so that its first paint is included), then the
// program is ended with SIGTERM. Exits non-zero when the program ends or times
// out before a window shows.
//
// Listening on the root window for SubstructureNotify from inside this process
// costs one event read per window mapped: the overhead is small and the same
// for every program measured. Without a window manager, as under Xvfb, a
// top-level window's MapNotify goes straight to the root window.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char **environ;

namespace {

double nowMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

long statusField(pid_t pid, const std::string &field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return -1;
}

// Nanoseconds all threads of pid have run, or -1.
long long cpuNs(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = ::opendir(tasks.c_str());
    if (!dir)
        return -1;
    long long total = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
        long long onCpu = 0;
        if (schedstat >> onCpu)
            total += onCpu;
    }
    ::closedir(dir);
    return total;
}

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie
        = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The _NET_WM_PID of window, or -1 when it has none. Qt sets it on every
// top-level window it creates.
long windowPid(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t netWmPid)
{
    const xcb_get_property_cookie_t cookie
        = xcb_get_property(connection, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4)
        return -1;
    return long(*static_cast<std::uint32_t *>(xcb_get_property_value(reply.get())));
}

int usage()
{
    std::fprintf(stderr,
                 "usage: startup-timer [--settle-ms N] [--timeout-ms N] -- PROGRAM [ARGS...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int settleMs = 500;
    int timeoutMs = 20000;
    int first = 1;
    for (; first < argc; ++first) {
        const std::string arg = argv[first];
        if (arg == "--") {
            ++first;
            break;
        }
        if (first + 1 >= argc)
            return usage();
        if (arg == "--settle-ms")
            settleMs = std::atoi(argv[++first]);
        else if (arg == "--timeout-ms")
            timeoutMs = std::atoi(argv[++first]);
        else
            return usage();
    }
    if (first >= argc)
        return usage();

    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "startup-timer: cannot connect to the X server\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const xcb_atom_t netWmPid = internAtom(connection, "_NET_WM_PID");

    // Listening before the program starts, and a round trip to be sure the
    // server has taken note: no map can be missed.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const double started = nowMs();
    pid_t pid = 0;
    if (const int error
        = ::posix_spawnp(&pid, argv[first], nullptr, nullptr, argv + first, environ)) {
        std::fprintf(stderr, "startup-timer: cannot start %s: %s\n", argv[first],
                     std::strerror(error));
        return 1;
    }

    double mapped = -1;
    long long cpuAtMap = -1;
    const int fd = xcb_get_file_descriptor(connection);
    while (mapped < 0) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const bool map = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            if (map) {
                const auto *notify = reinterpret_cast<xcb_map_notify_event_t *>(event);
                // Menus and tool tips are override-redirect; the main window is not.
                if (notify->event == root && !notify->override_redirect) {
                    const double at = nowMs();
                    const long owner = windowPid(connection, notify->window, netWmPid);
                    if (owner == pid || owner < 0) {
                        mapped = at;
                        cpuAtMap = cpuNs(pid);
                    }
                }
            }
            std::free(event);
            if (mapped >= 0)
                break;
        }
        if (mapped >= 0)
            break;
        if (xcb_connection_has_error(connection)) {
            std::fprintf(stderr, "startup-timer: lost the X server\n");
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return 1;
        }
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "startup-timer: %s ended (status %d) before showing a window\n",
                         argv[first], status);
            return 1;
        }
        if (nowMs() - started > timeoutMs) {
            std::fprintf(stderr, "startup-timer: no window within %d ms\n", timeoutMs);
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return 1;
        }
        pollfd wait{fd, POLLIN, 0};
        ::poll(&wait, 1, 20);
    }

    ::usleep(useconds_t(settleMs) * 1000);
    const long hwm = statusField(pid, "VmHWM");
    const long rss = statusField(pid, "VmRSS");
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    xcb_disconnect(connection);

    std::printf("startup_ms=%.2f cpu_ms=%.2f vmhwm_kb=%ld vmrss_kb=%ld\n", mapped - started,
                double(cpuAtMap) / 1e6, hwm, rss);
    return 0;
}
