// Stands in for the tool in tst_instancelock: applies the single-instance
// rule as the tool does, and prints "first" or "second". The first copy
// then prints "raised <token>" for every later start until its standard
// input closes or it is killed.
#include "platform/instancelock.h"
#include "shell/singleinstance.h"
#include "shell/texts.h"

#include <cstdio>
#include <optional>
#include <poll.h>
#include <unistd.h>

int main()
{
    platform::InstanceLock lock;
    if (!shell::startAsOnlyCopy(lock)) {
        std::puts("second");
        return 0;
    }
    const platform::Result<std::optional<int>> watched = lock.listenForRaiseRequests();
    if (!watched)
        std::fprintf(stderr, "%s\n", texts::raiseNotHeardNote(watched.error()).c_str());
    std::puts("first");
    std::fflush(stdout);

    pollfd entries[]
        = {{STDIN_FILENO, POLLIN, 0}, {watched && *watched ? **watched : -1, POLLIN, 0}};
    for (;;) {
        if (::poll(entries, 2, -1) < 0)
            continue;
        if (entries[1].revents & POLLIN) {
            for (const std::string &token : lock.takeRaiseRequests())
                std::printf("raised %s\n", token.c_str());
            std::fflush(stdout);
        }
        char byte;
        if ((entries[0].revents & (POLLIN | POLLHUP)) && ::read(STDIN_FILENO, &byte, 1) <= 0)
            return 0;
    }
}
