// Answers that never come, hosts that do not exist, addresses and texts that are not safe,
// bodies too big, certificates that are not valid; the silence and the certificates for every
// client of the program alike.
#include "web_request_fixture.h"
#include "web_request_raw_server.h"

#include "platform/net/resume_policy.h"
#include "platform/net/url_fetch.h"
#include "support/fault_server.h"
#include "support/http_clients.h"
#include "support/local_server.h"
#include "support/mp3_server.h"
#include "support/skip_or_fail.h"
#include "support/test_certificates.h"
#include "support/wait_until.h"
#include "web/web_get_text.h"

#include <gmock/gmock.h>

#include <chrono>
#include <optional>
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

// One idle rule for every client: a server that sends the head and the first 200 bytes (less
// than a frame of sound) and then falls silent is given up on the idle limit, not seconds later.
TEST_F(WebRequestTest, EveryClientGivesUpOnSilenceMidBodyAtTheIdleLimit) {
    using namespace std::chrono_literals;
    SetNetTimeoutsForTesting({2s, 1s});
    const std::string& mp3 = ClientTestMp3();
    FaultServer server([&](const std::string&, FaultConnection& connection) {
        connection.Send(AnswerHead("200 OK", "audio/mpeg", mp3.size()) + mp3.substr(0, 200));
        connection.Wait(60000);
    });
    // A download and a stream resume once after the first silence (held here to one fruitless
    // try), so they give up at their second idle limit.
    SetResumePolicyForTesting({0ms, 1, 1s});
    for (const HttpClient& client : HttpClients()) {
        const auto start = Clock::now();
        EXPECT_FALSE(client.fetches(server.Url("/stall.mp3"), mp3)) << client.name;
        const auto tries =
            client.name == "URL fetch into a file" || client.name == "audio engine" ? 2 : 1;
        EXPECT_LT(Clock::now() - start, tries * 1s + 1500ms) << client.name;
    }
    SetResumePolicyForTesting({});
}

// Certificates are verified by every client: one for 127.0.0.1 from the test's authority is
// accepted once that authority is trusted, and nothing else is.
TEST_F(WebRequestTest, EveryClientAcceptsOnlyAValidCertificateForItsHost) {
    const TestCertificates* certificates = MadeTestCertificates();
    if (!certificates) VELDO_SKIP_OR_FAIL("openssl is not installed");
    struct Case {
        std::string name;
        const TlsIdentity& identity;
        bool trusted, accepted;
    };
    const Case cases[] = {
        {"from the trusted authority", certificates->good, true, true},
        {"from an authority not trusted", certificates->good, false, false},
        {"self-signed", certificates->selfSigned, true, false},
        {"expired", certificates->expired, true, false},
        {"for another host", certificates->wrongHost, true, false},
    };
    for (const Case& c : cases) {
        LocalServer server(c.identity);
        ServeFile(server, "/tone.mp3", {ClientTestMp3()});
        server.Start();
        SetTrustedAuthorityForTesting(c.trusted ? certificates->authorityFile : "");
        for (const HttpClient& client : HttpClients())
            EXPECT_EQ(client.fetches(server.Url("/tone.mp3"), ClientTestMp3()), c.accepted)
                << client.name << ", certificate " << c.name;
    }
}

TEST_F(WebRequestTest, HttpsInCapitalsSpeaksTlsAndAPlainServerGivesNothing) {
    SetNetTimeoutsForTesting({std::chrono::seconds(2), std::chrono::seconds(1)});
    RawServer server([](const std::string&) { return RawAnswer("HTTP/1.1 200 OK\r\n", "plain"); });
    EXPECT_EQ(WebGetText("HTTPS://127.0.0.1:" + std::to_string(server.port()) + "/"), "");
    // The server records the bytes once the client has hung up, which may be a moment later.
    WaitUntil([&] { return !server.Requests().empty(); }, std::chrono::seconds(2));
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

// A CR, LF or NUL in the address (the Referer line copies it), the cookies or the agent never
// reaches the wire: the request is refused, nothing is sent and no argument changes.
TEST_F(WebRequestTest, LineBreaksOrNulsInAddressCookiesOrAgentSendNothing) {
    RawServer server([](const std::string&) { return RawAnswer("HTTP/1.1 200 OK\r\n", "x"); });
    const std::string nul(1, '\0');
    struct Case {
        std::string name, url;
        std::optional<Text> cookies;
        Text extraHeaders;
    };
    const Case cases[] = {
        {"CR LF in the address", server.Url("/x\r\nX-Evil: 1"), {}, ""},
        {"LF in the address", server.Url("/x\nX-Evil: 1"), {}, ""},
        {"NUL in the address", server.Url("/x" + nul + "X-Evil: 1"), {}, ""},
        {"CR LF in the cookies", server.Url("/x"), "a=1\r\nX-Evil: 1", ""},
        {"LF in the agent", server.Url("/x"), {}, "User-Agent: a\nX-Evil: 1"},
        {"NUL in the agent", server.Url("/x"), {}, "User-Agent: a" + nul + "X-Evil: 1"},
    };
    for (const Case& c : cases) {
        Text cookies = c.cookies.value_or(""), extraHeaders = c.extraHeaders;
        WebRequestOptions options;
        if (c.cookies) options.cookies = &cookies;
        options.extraHeaders = &extraHeaders;
        EXPECT_EQ(WebRequest(c.url, options), "") << c.name;
        EXPECT_EQ(extraHeaders, c.extraHeaders) << c.name;
        EXPECT_EQ(cookies, c.cookies.value_or("")) << c.name;
    }
    EXPECT_EQ(WebGetText(server.Url("/x\r\nX-Evil: 1")), "");
    EXPECT_EQ(FetchUrlBytes(server.Url("/x" + nul + "y")), "");
    for (const HttpClient& client : HttpClients())
        EXPECT_FALSE(client.fetches(server.Url("/x\r\nX-Evil: 1"), "x")) << client.name;
    EXPECT_THAT(server.Requests(), ::testing::IsEmpty());
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
