// Answers that never come, hosts that do not exist, addresses that are not safe, bodies too big.
#include "web_request_fixture.h"
#include "web_request_raw_server.h"

#include "support/local_server.h"
#include "web/web_get_text.h"

#include <chrono>
#include <thread>

namespace veldo::testing {
namespace {

using Clock = std::chrono::steady_clock;

TEST_F(WebRequestTest, SilentServerIsGivenUpAfterTheIdleLimit) {
    SetNetTimeoutsForTesting({std::chrono::seconds(2), std::chrono::seconds(1)});
    RawServer silent; // listens, never answers
    const auto start = Clock::now();
    EXPECT_EQ(WebGetText(silent.Url("/")), "");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST_F(WebRequestTest, ServerThatStallsMidBodyGivesAnEmptyResult) {
    SetNetTimeoutsForTesting({std::chrono::seconds(2), std::chrono::seconds(1)});
    LocalServer server;
    server.server().Get("/stall", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
            if (offset == 0) return sink.write("partial", 7);
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            sink.done();
            return true;
        });
    });
    server.Start();
    EXPECT_EQ(WebGetText(server.Url("/stall")), "");
}

TEST_F(WebRequestTest, HttpsInCapitalsSpeaksTlsAndAPlainServerGivesNothing) {
    SetNetTimeoutsForTesting({std::chrono::seconds(2), std::chrono::seconds(1)});
    RawServer server([](const std::string&) { return RawAnswer("HTTP/1.1 200 OK\r\n", "plain"); });
    EXPECT_EQ(WebGetText("HTTPS://127.0.0.1:" + std::to_string(server.port()) + "/"), "");
    // The server records the bytes once the client has hung up, which may be a moment later.
    for (int i = 0; i < 200 && server.Requests().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(server.Requests()[0].starts_with("\x16\x03")) << "a TLS handshake record";
}

TEST_F(WebRequestTest, UnresolvableHostGivesEmptyResults) {
    Text headers = "stale";
    WebRequestOptions options;
    options.responseHeaders = &headers;
    EXPECT_EQ(WebRequest("http://no-such-host.invalid/x", options), "");
    EXPECT_EQ(headers, "");
    EXPECT_EQ(WebGetText("http://no-such-host.invalid/x"), "");
}

TEST_F(WebRequestTest, AddressesWithoutAPlainHostChangeNothingAndSendNothing) {
    RawServer server([](const std::string&) { return RawAnswer("HTTP/1.1 200 OK\r\n", "x"); });
    const std::string port = std::to_string(server.port());
    for (const std::string& url :
         {"http://user@127.0.0.1:" + port + "/", "http://127.0.0.1%2f@x:" + port + "/",
          std::string("/relative"), std::string("")}) {
        Text extraHeaders = "X-Mine: 1";
        WebRequestOptions options;
        options.extraHeaders = &extraHeaders;
        EXPECT_EQ(WebRequest(url, options), "") << url;
        EXPECT_EQ(extraHeaders, "X-Mine: 1") << "no argument is changed before the request opens";
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(WebRequestTest, BodiesBeyond64MiBGiveAnEmptyResult) {
    constexpr size_t kHundredMegabytes = 100u << 20;
    const std::string block(1 << 16, 'z');
    LocalServer server;
    auto provide = [&](size_t offset, httplib::DataSink& sink) {
        if (offset >= kHundredMegabytes) {
            sink.done();
            return true;
        }
        return sink.write(block.data(), std::min(block.size(), kHundredMegabytes - offset));
    };
    server.server().Get("/chunked", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream", provide);
    });
    server.server().Get("/sized", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            kHundredMegabytes, "application/octet-stream",
            [&](size_t offset, size_t, httplib::DataSink& sink) { return provide(offset, sink); });
    });
    server.Start();
    EXPECT_EQ(WebRequest(server.Url("/sized")).size(), 0u);
    EXPECT_EQ(WebRequest(server.Url("/chunked")).size(), 0u);
}

} // namespace
} // namespace veldo::testing
