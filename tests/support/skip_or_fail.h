#pragma once
// A test that cannot run here (a tool not installed, a fixed port taken) skips with its reason,
// except where VELDO_REQUIRE_DESKTOP_TOOLS is set (scripts/test sets it): there it fails with
// the same reason, so a run that passes has run every test.
#include <cstdlib>
#include <gtest/gtest.h>

namespace veldo::testing {

inline bool SkipsAreFailures() {
    const char* required = std::getenv("VELDO_REQUIRE_DESKTOP_TOOLS");
    return required != nullptr && *required != '\0';
}

} // namespace veldo::testing

// VELDO_SKIP_OR_FAIL(reason): `reason` is anything a gtest message takes, parts joined by <<,
// e.g. VELDO_SKIP_OR_FAIL(tool << " missing"). Returns from the calling function, like
// GTEST_SKIP() and FAIL(), and is built the way they are (one statement, so it sits safely in
// an unbraced if).
#define VELDO_SKIP_OR_FAIL(reason)                                                                 \
    return ::testing::internal::AssertHelper(                                                      \
               ::veldo::testing::SkipsAreFailures() ? ::testing::TestPartResult::kFatalFailure     \
                                                    : ::testing::TestPartResult::kSkip,            \
               __FILE__, __LINE__,                                                                 \
               ::veldo::testing::SkipsAreFailures()                                                \
                   ? "cannot run (VELDO_REQUIRE_DESKTOP_TOOLS is set)"                             \
                   : "") = ::testing::Message() << reason
