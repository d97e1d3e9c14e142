#pragma once

// A small test harness for the Windows test programs, which run under Wine
// where neither Qt Test nor GoogleTest is at hand. Include it in exactly one
// file of each program: it defines wmain, which runs every TEST_CASE, ends
// with "N passed, N failed" and returns non-zero when any case failed.

#include "platform/text.h"

#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <io.h>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace check {

struct TestCase
{
    const char *name;
    void (*run)();
};

inline std::vector<TestCase> &registry()
{
    static std::vector<TestCase> cases;
    return cases;
}

struct Registration
{
    Registration(const char *name, void (*run)()) { registry().push_back({name, run}); }
};

inline int failedChecks = 0;
inline std::string currentRow;

// Names the row of a table that the failures in its scope belong to.
class Row final
{
public:
    explicit Row(std::string name) { currentRow = std::move(name); }
    ~Row() { currentRow.clear(); }
    Row(const Row &) = delete;
    Row &operator=(const Row &) = delete;
};

inline std::string describe(std::u16string_view text)
{
    return '"' + platform::toUtf8(text) + '"';
}
inline std::string describe(std::nullopt_t)
{
    return "nullopt";
}
template<typename T>
std::string describe(const std::optional<T> &value)
{
    return value ? describe(*value) : describe(std::nullopt);
}
template<typename T>
std::string describe(T value)
{
    if constexpr (std::is_convertible_v<T, std::u16string_view>)
        return describe(std::u16string_view(value));
    else if constexpr (std::is_same_v<T, bool>)
        return value ? "true" : "false";
    else
        return std::to_string(static_cast<long long>(value));
}

inline void reportFailure(const char *file, int line, const std::string &what)
{
    ++failedChecks;
    std::printf("%s:%d: FAIL%s%s: %s\n", file, line, currentRow.empty() ? "" : " in row ",
                currentRow.c_str(), what.c_str());
}

inline bool checkTrue(bool condition, const char *expression, const char *file, int line)
{
    if (!condition)
        reportFailure(file, line, expression);
    return condition;
}

template<typename Actual, typename Expected>
bool checkEqual(const Actual &actual, const Expected &expected, const char *actualExpression,
                const char *expectedExpression, const char *file, int line)
{
    const bool equal = actual == expected;
    if (!equal)
        reportFailure(file, line,
                      std::string(actualExpression) + " == " + expectedExpression
                          + "\n    actual:   " + describe(actual)
                          + "\n    expected: " + describe(expected));
    return equal;
}

} // namespace check

#define TEST_CASE(name)                                                                            \
    static void name();                                                                            \
    static const ::check::Registration name##Registration(#name, &name);                           \
    static void name()

// Both say whether the check held, for a test that cannot go on without it:
// if (!CHECK(...)) return;
#define CHECK(condition)                                                                           \
    ::check::checkTrue(static_cast<bool>(condition), #condition, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected)                                                                 \
    ::check::checkEqual((actual), (expected), #actual, #expected, __FILE__, __LINE__)

int wmain()
{
    // Plain "\n" line ends, and nothing held back when a test crashes.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    int passed = 0;
    int failed = 0;
    for (const check::TestCase &test : check::registry()) {
        const int before = check::failedChecks;
        try {
            test.run();
        } catch (const std::exception &error) {
            check::reportFailure(test.name, 0, std::string("exception: ") + error.what());
        }
        const bool ok = check::failedChecks == before;
        std::printf("%s %s\n", ok ? "PASS" : "FAIL", test.name);
        ++(ok ? passed : failed);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
