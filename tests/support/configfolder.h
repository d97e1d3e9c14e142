#pragma once

// A configuration folder of its own for the POSIX doctest programs, so that
// no test reads or changes the user's real KORVEL.ini, and a way to change
// the file as another program would.

#include "platform/posix/settingswritehook.h"
#include "platform/settingsstore.h"
#include "tests/support/scratchfolder.h"

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <doctest/doctest.h>
#include <fcntl.h>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>

namespace testsupport {

// Named by XDG_CONFIG_HOME while it lives.
class TemporaryConfig final
{
public:
    TemporaryConfig()
    {
        char pattern[] = "/tmp/orveta-test-XXXXXX";
        REQUIRE(::mkdtemp(pattern));
        folder = pattern;
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~TemporaryConfig()
    {
        for (const std::string &name : entries())
            ::unlink((folder + '/' + name).c_str());
        ::rmdir(folder.c_str());
        ::unsetenv("XDG_CONFIG_HOME");
    }
    TemporaryConfig(const TemporaryConfig &) = delete;
    TemporaryConfig &operator=(const TemporaryConfig &) = delete;

    [[nodiscard]] std::string file() const { return folder + "/KORVEL.ini"; }

    [[nodiscard]] std::set<std::string> entries() const
    {
        std::set<std::string> names;
        if (DIR *dir = ::opendir(folder.c_str())) {
            while (const dirent *entry = ::readdir(dir))
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    names.insert(entry->d_name);
            ::closedir(dir);
        }
        return names;
    }

    std::string folder;
};

// Called by the settings store right before it checks the file it is about
// to write, for as long as it lives.
class ScopedWriteHook final
{
public:
    explicit ScopedWriteHook(std::function<void()> hook)
    {
        platform::setSettingsWriteHook(std::move(hook));
    }
    ~ScopedWriteHook() { platform::setSettingsWriteHook({}); }
    ScopedWriteHook(const ScopedWriteHook &) = delete;
    ScopedWriteHook &operator=(const ScopedWriteHook &) = delete;
};

// Called by the settings store right after a new file took the old one's
// name, for as long as it lives.
class ScopedSwapHook final
{
public:
    explicit ScopedSwapHook(std::function<void()> hook)
    {
        platform::setSettingsSwapHook(std::move(hook));
    }
    ~ScopedSwapHook() { platform::setSettingsSwapHook({}); }
    ScopedSwapHook(const ScopedSwapHook &) = delete;
    ScopedSwapHook &operator=(const ScopedSwapHook &) = delete;
};

// As a program that adds a line to its settings does: open, write, close.
[[nodiscard]] inline bool appendToFile(const std::string &path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    const bool written
        = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    return ::close(fd) == 0 && written;
}

} // namespace testsupport
