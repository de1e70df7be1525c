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
// GTEST_SKIP() and FAIL(). The switch keeps a following `else` from binding to the inner if.
#define VELDO_SKIP_OR_FAIL(reason)                                                                 \
    switch (0)                                                                                     \
    case 0:                                                                                        \
    default:                                                                                       \
        if (::veldo::testing::SkipsAreFailures())                                                  \
            FAIL() << "cannot run (VELDO_REQUIRE_DESKTOP_TOOLS is set): " << reason;               \
        else                                                                                       \
            GTEST_SKIP() << reason
