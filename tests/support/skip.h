#pragma once

#include <string_view>

// A test that cannot run here says so, and the test program then reports
// itself skipped to CTest (exit code 77) instead of passing.
namespace testsupport {

void recordSkip(std::string_view why);

} // namespace testsupport

#define SKIP_TEST(why)                                                                             \
    do {                                                                                           \
        ::testsupport::recordSkip(why);                                                            \
        return;                                                                                    \
    } while (false)
