#pragma once

// Sets or unsets one environment variable of the test program for as long
// as it lives, for the POSIX doctest programs.

#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class ScopedEnvironment final
{
public:
    // nullopt unsets the variable.
    ScopedEnvironment(const char *name, const std::optional<std::string> &value)
        : name_(name)
    {
        if (const char *old = std::getenv(name))
            old_ = old;
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *name_;
    std::optional<std::string> old_;
};

} // namespace testsupport
