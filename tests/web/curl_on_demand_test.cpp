// libcurl and its dependencies are loaded by the first fetch, not when the program starts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "support/local_server.h"
#include "web/web_get_text.h"

namespace {

bool LibcurlIsMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("libcurl") != std::string::npos) return true;
    return false;
}

// Exit codes of the child: 0 as expected, 1 loaded at start, 2 not loaded by the fetch,
// 3 the fetch went wrong.
int LoadOnFirstFetch() {
    if (LibcurlIsMapped()) return 1;
    veldo::testing::LocalServer server;
    server.server().Get("/page", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("fetched", "text/plain");
    });
    server.Start();
    if (LibcurlIsMapped()) return 1;
    const std::string body = veldo::WebGetText(server.Url("/page"));
    if (!LibcurlIsMapped()) return 2;
    return body == "fetched" ? 0 : 3;
}

TEST(CurlOnDemandTest, LibcurlIsLoadedByTheFirstFetchAndTheFetchWorks) {
    // "threadsafe" runs the check in a freshly started copy of this program, so no earlier test
    // of the same run can have loaded libcurl already.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(LoadOnFirstFetch()), ::testing::ExitedWithCode(0), "");
}

} // namespace
