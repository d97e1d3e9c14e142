#pragma once

// A small test harness for the Windows test programs, which run under Wine
// where neither Qt Test nor GoogleTest is at hand. Include it in exactly one
// file of each program: it defines wmain.
//
//   TEST_CASE(readsBackJapaneseText) { CHECK_EQ(readSetting(...), u"勤務"); }
//
// A program runs every case, or those named on its command line, and ends
// with "N passed, N failed"; its exit code is non-zero when any case failed.

#include "platform/text.h"

#include <algorithm>
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

inline int &failedChecks()
{
    static int count = 0;
    return count;
}

// Names the row of a table that the checks in its scope belong to.
inline std::string &currentRow()
{
    static std::string row;
    return row;
}

class Row final
{
public:
    explicit Row(std::string name) { currentRow() = std::move(name); }
    ~Row() { currentRow().clear(); }
    Row(const Row &) = delete;
    Row &operator=(const Row &) = delete;
};

inline std::string describe(std::u16string_view text)
{
    return '"' + platform::toUtf8(text) + '"';
}
inline std::string describe(const std::u16string &text)
{
    return describe(std::u16string_view(text));
}
inline std::string describe(const char16_t *text)
{
    return describe(std::u16string_view(text));
}
inline std::string describe(std::string_view text)
{
    return '"' + std::string(text) + '"';
}
inline std::string describe(const char *text)
{
    return describe(std::string_view(text));
}
inline std::string describe(bool value)
{
    return value ? "true" : "false";
}
inline std::string describe(std::nullopt_t)
{
    return "nullopt";
}
template<typename T>
std::string describe(T value)
{
    static_assert(std::is_integral_v<T> || std::is_enum_v<T>, "no description for this type");
    if constexpr (std::is_enum_v<T>)
        return std::to_string(static_cast<long long>(value));
    else
        return std::to_string(value);
}
template<typename T>
std::string describe(const std::optional<T> &value)
{
    return value ? describe(*value) : describe(std::nullopt);
}

inline void reportFailure(const char *file, int line, const std::string &what)
{
    ++failedChecks();
    std::printf("%s:%d: FAIL%s%s: %s\n", file, line, currentRow().empty() ? "" : " in row ",
                currentRow().c_str(), what.c_str());
    std::fflush(stdout);
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

// Both return whether the check held, so that a test can stop where going on
// makes no sense: if (!CHECK(...)) return;
#define CHECK(condition)                                                                           \
    ::check::checkTrue(static_cast<bool>(condition), #condition, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected)                                                                 \
    ::check::checkEqual((actual), (expected), #actual, #expected, __FILE__, __LINE__)

int wmain(int argc, wchar_t **argv)
{
    // Plain "\n" line ends and no delay: CTest shows what a crash left.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    std::vector<std::u16string> wanted;
    for (int i = 1; i < argc; ++i)
        wanted.emplace_back(reinterpret_cast<const char16_t *>(argv[i]));

    int passed = 0;
    int failed = 0;
    for (const check::TestCase &test : check::registry()) {
        const std::u16string name = platform::fromUtf8(test.name);
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), name) == wanted.end())
            continue;
        const int before = check::failedChecks();
        try {
            test.run();
        } catch (const std::exception &error) {
            check::reportFailure(__FILE__, __LINE__,
                                 std::string("exception thrown: ") + error.what());
        } catch (...) {
            check::reportFailure(__FILE__, __LINE__, "unknown exception thrown");
        }
        const bool ok = check::failedChecks() == before;
        std::printf("%s %s\n", ok ? "PASS" : "FAIL", test.name);
        ++(ok ? passed : failed);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
