// What a test does when it cannot make the offscreen Direct3D device it needs: it fails,
// because a test machine without a working Mesa is a broken test machine. Someone building
// without a GL stack sets EMBERHOLD_SKIP_GL_TESTS=1 to see those tests skipped instead.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace eh::testing {

inline bool SkipTestsWithoutDevice() {
    const char* value = std::getenv("EMBERHOLD_SKIP_GL_TESTS");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace eh::testing

// In a test body or SetUp: ends the test when `available` is false, as a failure or, with
// EMBERHOLD_SKIP_GL_TESTS=1, as a skip.
#define EH_REQUIRE_DEVICE(available, what)                                              \
    do {                                                                                \
        if (!(available)) {                                                             \
            if (::eh::testing::SkipTestsWithoutDevice())                                \
                GTEST_SKIP() << what << " (EMBERHOLD_SKIP_GL_TESTS=1)";                 \
            else                                                                        \
                FAIL() << what << " (set EMBERHOLD_SKIP_GL_TESTS=1 on a machine without GL)"; \
        }                                                                               \
    } while (false)
