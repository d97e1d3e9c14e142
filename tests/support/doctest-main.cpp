// The main function of every doctest program, in both builds.
#define DOCTEST_CONFIG_IMPLEMENT
#include "tests/support/skip.h"

#include <doctest/doctest.h>

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {
namespace {

int skipped = 0;

} // namespace

void recordSkip(std::string_view why)
{
    ++skipped;
    const auto *state = doctest::detail::g_cs;
    const char *test = state && state->currentTest ? state->currentTest->m_name : "";
    std::printf("SKIPPED %s: %.*s\n", test, int(why.size()), why.data());
    std::fflush(stdout);
}

} // namespace testsupport

namespace {

// The exit code CTest's SKIP_RETURN_CODE names.
constexpr int kSkipped = 77;

int runTests(int argc, const char *const *argv)
{
    doctest::Context context(argc, argv);
    context.setOption("no-colors", true);
    const int failed = context.run();
    if (context.shouldExit() || failed != 0)
        return failed;
    return testsupport::skipped > 0 ? kSkipped : 0;
}

} // namespace

#ifdef _WIN32
// Windows programs start at wmain (-municode); the arguments go on as UTF-8.
int wmain(int argc, wchar_t **argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(std::size_t(size > 0 ? size - 1 : 0), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, argument.data(), size, nullptr, nullptr);
        arguments.push_back(std::move(argument));
    }
    std::vector<const char *> pointers;
    for (const std::string &argument : arguments)
        pointers.push_back(argument.c_str());
    return runTests(argc, pointers.data());
}
#else
int main(int argc, char **argv)
{
    return runTests(argc, argv);
}
#endif
