#pragma once
// Shared set-up of the web request suites: a fresh run-wide cookie store before every test,
// the normal time limits and the system's certificate store after it, and small readers of
// what went over the wire.
#include "platform/net/net_timeouts.h"
#include "platform/net/shared_cookie_store.h"
#include "platform/net/tls_trust.h"
#include "web/web_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veldo::testing {

class WebRequestTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearSharedCookies(); }
    void TearDown() override {
        SetNetTimeoutsForTesting(NetTimeouts{});
        SetNetTotalLimitForTesting({});
        SetTrustedAuthorityForTesting({});
    }
};

// The header lines of a raw request, without the request line and the final empty line.
inline std::vector<std::string> HeaderLines(const std::string& request) {
    std::vector<std::string> lines;
    const size_t end = request.find("\r\n\r\n");
    size_t start = request.find("\r\n") + 2;
    while (start < end) {
        const size_t stop = request.find("\r\n", start);
        lines.push_back(request.substr(start, stop - start));
        start = stop + 2;
    }
    return lines;
}

inline std::string RequestLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

inline std::string RequestBody(const std::string& request) {
    return request.substr(request.find("\r\n\r\n") + 4);
}

} // namespace veldo::testing
