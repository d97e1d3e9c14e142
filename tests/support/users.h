#pragma once

// Steps of a test run as another user, for tests that rely on file
// permissions or ownership while the tests run as root. POSIX only, no Qt.

#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs call in a child process as user and group id, without supplementary
// groups, and returns what it returned; nullopt when the child could not
// become that user (only root can).
[[nodiscard]] inline std::optional<std::string> runAsUser(uid_t id,
                                                          const std::function<std::string()> &call)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(id, id, id) != 0
            || ::setresuid(id, id, id) != 0)
            ::_exit(1);
        const std::string output = call();
        const bool written
            = ::write(pipe[1], output.data(), output.size()) == ssize_t(output.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, std::size_t(n));
    ::close(pipe[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}
