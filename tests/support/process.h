#pragma once

// Another program started by a POSIX doctest program: its environment
// changed as asked, optionally as another user, its standard output read
// line by line and its standard error kept, its standard input held open
// until closed.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <map>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace testsupport {

// How long a test waits for something that is sure to come: long enough
// that no load on the machine makes it miss it, as the test goes on as soon
// as it comes.
inline constexpr std::chrono::milliseconds kPatience = std::chrono::seconds(30);

class ChildProcess final
{
public:
    // environment: a value sets the variable, nullopt unsets it.
    ChildProcess(const std::string &program,
                 const std::map<std::string, std::optional<std::string>> &environment,
                 std::optional<uid_t> asUser = std::nullopt)
    {
        std::vector<std::string> variables;
        for (char **entry = environ; *entry; ++entry) {
            const std::string variable = *entry;
            if (!environment.contains(variable.substr(0, variable.find('='))))
                variables.push_back(variable);
        }
        for (const auto &[name, value] : environment)
            if (value)
                variables.push_back(name + '=' + *value);
        std::vector<char *> pointers;
        for (std::string &variable : variables)
            pointers.push_back(variable.data());
        pointers.push_back(nullptr);

        int input[2], output[2], error[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0
            || ::pipe2(error, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(input[0], STDIN_FILENO);
            ::dup2(output[1], STDOUT_FILENO);
            ::dup2(error[1], STDERR_FILENO);
            if (asUser
                && (::setgroups(0, nullptr) != 0 || ::setresgid(*asUser, *asUser, *asUser) != 0
                    || ::setresuid(*asUser, *asUser, *asUser) != 0))
                ::_exit(126);
            char *arguments[] = {const_cast<char *>(program.c_str()), nullptr};
            ::execve(program.c_str(), arguments, pointers.data());
            ::_exit(127);
        }
        ::close(input[0]);
        ::close(output[1]);
        ::close(error[1]);
        input_ = input[1];
        output_ = output[0];
        error_ = error[0];
    }
    ~ChildProcess()
    {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            waitForExit(kPatience);
        }
        for (const int fd : {input_, output_, error_})
            if (fd >= 0)
                ::close(fd);
    }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    [[nodiscard]] pid_t pid() const { return pid_; }

    // The next line it writes, without its end; empty once it has ended or
    // written none within the time given.
    std::string nextLine(std::chrono::milliseconds wait = kPatience)
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            if (const std::size_t end = output.find('\n'); end != std::string::npos) {
                std::string line = output.substr(0, end);
                output.erase(0, end + 1);
                return line;
            }
            if (!readSome(output_, output, deadline))
                return {};
        }
    }

    // What it has written to standard error, waiting until it has written
    // a line or the time given is up.
    std::string errorLines(std::chrono::milliseconds wait)
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (errors.find('\n') == std::string::npos && readSome(error_, errors, deadline)) { }
        return errors;
    }

    // Its exit code once it has ended within the time given, else nullopt.
    std::optional<int> waitForExit(std::chrono::milliseconds wait = kPatience)
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (!status_ && pid_ > 0) {
            int status = 0;
            const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
            if (ended == pid_)
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else if (std::chrono::steady_clock::now() >= deadline)
                return std::nullopt;
            else
                ::usleep(10000);
        }
        if (!status_)
            return std::nullopt;
        // What it wrote before it ended.
        while (readSome(output_, output, std::chrono::steady_clock::now())) { }
        while (readSome(error_, errors, std::chrono::steady_clock::now())) { }
        return status_;
    }

    void closeInput()
    {
        ::close(input_);
        input_ = -1;
    }

    std::string output; // written and not yet taken as lines
    std::string errors;

private:
    // Appends what fd has to give before the deadline; false when it gave
    // nothing.
    static bool readSome(int fd, std::string &to, std::chrono::steady_clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (fd < 0 || ::poll(&entry, 1, int(std::max<long long>(left.count(), 0))) <= 0)
            return false;
        char buffer[4096];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        to.append(buffer, std::size_t(count));
        return true;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int error_ = -1;
    std::optional<int> status_;
};

} // namespace testsupport
