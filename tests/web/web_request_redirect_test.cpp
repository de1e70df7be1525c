// Redirects (followed by libcurl, by the routine itself, or not at all; by every client of the
// program the same way), the deadline of a whole request, and the UTF-8 decision.
#include "web_request_fixture.h"
#include "web_request_raw_server.h"

#include "support/http_clients.h"
#include "support/local_server.h"
#include "support/mp3_server.h"
#include "support/skip_or_fail.h"
#include "support/test_certificates.h"
#include "web/web_get_text.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace veldo::testing {
namespace {

std::string Target(const std::string& request) {
    const std::string line = RequestLine(request);
    const size_t start = line.find(' ') + 1;
    return line.substr(start, line.rfind(' ') - start);
}

std::vector<std::string> Targets(const RawServer& server) {
    std::vector<std::string> targets;
    for (const std::string& request : server.Requests())
        targets.push_back(Target(request));
    return targets;
}

TEST_F(WebRequestTest, RoutineFollowsA301ItselfAppendingThePath) {
    RawServer server([](const std::string& request) {
        return RawAnswer("HTTP/1.1 200 OK\r\n", "arrived at " + Target(request));
    });
    // The Location must name this server, whose port is known only now.
    RawServer front([&](const std::string&) {
        return RawAnswer("HTTP/1.1 301 Moved Permanently\r\nLocation: " + server.Url("/b") + "\r\n",
                         "moved");
    });
    Text redirect, headers;
    WebRequestOptions options;
    options.noAutoRedirect = true;
    options.redirectAddress = &redirect;
    options.responseHeaders = &headers;

    EXPECT_EQ(WebRequest(front.Url("/a?q=1"), options), "arrived at /b/a?q=1");
    EXPECT_EQ(Targets(front), std::vector<std::string>{"/a?q=1"});
    EXPECT_EQ(Targets(server), std::vector<std::string>{"/b/a?q=1"});
    EXPECT_TRUE(headers.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(redirect, headers) << "what the second request reports";
}

TEST_F(WebRequestTest, RoutineDoesNotFollowOtherStatusLines) {
    for (const std::string status :
         {"HTTP/1.1 302 Found", "HTTP/1.0 301 Moved Permanently", "HTTP/1.1 308 Moved"}) {
        RawServer server([&](const std::string&) {
            return RawAnswer(status + "\r\nLocation: http://127.0.0.1:1/x\r\n", "stay");
        });
        Text redirect;
        WebRequestOptions options;
        options.noAutoRedirect = true;
        options.redirectAddress = &redirect;
        EXPECT_EQ(WebRequest(server.Url("/"), options), "stay") << status;
        EXPECT_EQ(redirect, "http://127.0.0.1:1/x");
        EXPECT_EQ(server.Requests().size(), 1u);
    }
}

TEST_F(WebRequestTest, A301LoopIsFollowedTenTimesThenTheLastAnswerIsKept) {
    RawServer* self = nullptr;
    RawServer server([&](const std::string&) {
        return RawAnswer("HTTP/1.1 301 Moved Permanently\r\nLocation: " + self->Url("") + "\r\n",
                         "still moved");
    });
    self = &server;
    WebRequestOptions options;
    options.noAutoRedirect = true;

    EXPECT_EQ(WebRequest(server.Url("/loop"), options), "still moved");
    EXPECT_EQ(server.Requests().size(), 11u);
}

TEST_F(WebRequestTest, AutomaticRedirectsFollowBrowserMethodRules) {
    struct Case {
        int status;
        std::string verbAfter;
        bool bodyKept;
    };
    for (const Case& c : {Case{301, "GET", false}, Case{302, "GET", false}, Case{303, "GET", false},
                          Case{307, "POST", true}, Case{308, "POST", true}}) {
        RawServer server([&](const std::string& request) {
            if (Target(request) == "/form")
                return RawAnswer("HTTP/1.1 " + std::to_string(c.status) +
                                     " Redirect\r\nLocation: /done\r\n",
                                 "");
            return RawAnswer("HTTP/1.1 200 OK\r\n", "done");
        });
        WebRequestOptions options;
        options.method = 1;
        options.postText = "k=v";
        EXPECT_EQ(WebRequest(server.Url("/form"), options), "done") << c.status;
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u) << c.status;
        EXPECT_EQ(RequestLine(requests[1]), c.verbAfter + " /done HTTP/1.1") << c.status;
        EXPECT_EQ(RequestBody(requests[1]), c.bodyKept ? "k=v" : "") << c.status;
    }
}

TEST_F(WebRequestTest, AnEndlessAutomaticRedirectGivesUp) {
    RawServer server([](const std::string&) {
        return RawAnswer("HTTP/1.1 302 Found\r\nLocation: /again\r\n", "again");
    });
    EXPECT_EQ(WebGetText(server.Url("/")), "");
    EXPECT_LE(server.Requests().size(), 11u);
}

TEST_F(WebRequestTest, RedirectToAnotherSchemeIsNotFollowed) {
    for (const std::string location : {"file:///etc/passwd", "ftp://127.0.0.1/x", "dict://x/"}) {
        RawServer server([&](const std::string&) {
            return RawAnswer("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\n", "");
        });
        EXPECT_EQ(WebGetText(server.Url("/")), "") << location;
        EXPECT_EQ(server.Requests().size(), 1u);
    }
    // The routine's own 301 handling turns such a Location into an address it cannot open.
    RawServer server([](const std::string&) {
        return RawAnswer("HTTP/1.1 301 Moved Permanently\r\nLocation: file:///etc\r\n", "");
    });
    WebRequestOptions options;
    options.noAutoRedirect = true;
    EXPECT_THAT(WebRequest(server.Url("/passwd"), options),
                ::testing::Not(::testing::HasSubstr("root:")));
}

// One budget of ten redirects per request, whoever follows them: 301s from /hop/N down to
// /hop/0, which serves the MP3 (whatever follows the number, as the routine's own 301 rule
// appends the first path). The web request's libcurl follows ten; the routine must not start
// over where libcurl gave up.
TEST_F(WebRequestTest, EveryClientFollowsTenRedirectsAndNoMore) {
    LocalServer server;
    std::atomic<int> served{0}; // counted before the answer leaves, unlike the server's record
    server.server().Get(
        R"(/hop/(\d+).*)", [&](const httplib::Request& req, httplib::Response& res) {
            ++served;
            const int left = std::stoi(req.matches[1]);
            if (left == 0)
                res.set_content(ClientTestMp3(), "audio/mpeg");
            else
                res.set_redirect(server.Url("/hop/" + std::to_string(left - 1)), 301);
        });
    server.Start();
    for (const HttpClient& client : HttpClients())
        for (const int hops : {10, 11}) {
            served = 0;
            EXPECT_EQ(client.fetches(server.Url("/hop/" + std::to_string(hops)), ClientTestMp3()),
                      hops <= 10)
                << client.name << ", " << hops << " redirects";
            EXPECT_EQ(served, 11) << client.name << ", " << hops << " redirects";
        }
}

// From https no redirect leads back to plain http, whether libcurl or the routine follows it,
// and nothing reaches the plain server; from http to https is fine.
TEST_F(WebRequestTest, NoClientIsRedirectedFromHttpsToPlainHttp) {
    const TestCertificates* certificates = MadeTestCertificates();
    if (!certificates) VELDO_SKIP_OR_FAIL("openssl is not installed");
    SetTrustedAuthorityForTesting(certificates->authorityFile);
    LocalServer plain, secure(certificates->good);
    std::atomic<int> plainServed{0}; // every request but /up, counted before the answer leaves
    plain.server().Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/up") return res.set_redirect(secure.Url("/tone.mp3"), 301);
        ++plainServed;
        res.set_content(ClientTestMp3(), "audio/mpeg");
    });
    ServeFile(secure, "/tone.mp3", {ClientTestMp3()});
    secure.server().Get("/down", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(plain.Url("/tone.mp3"), 301);
    });
    plain.Start();
    secure.Start();

    for (const HttpClient& client : HttpClients()) {
        EXPECT_TRUE(client.fetches(plain.Url("/up"), ClientTestMp3())) << client.name;
        EXPECT_FALSE(client.fetches(secure.Url("/down"), ClientTestMp3())) << client.name;
    }
    WebRequestOptions options;
    options.noAutoRedirect = true;
    EXPECT_TRUE(WebRequest(secure.Url("/down"), options).empty()) << "the routine's own 301 rule";
    EXPECT_EQ(plainServed, 0);
}

// One deadline for the whole request: a server that answers every request slowly with a 301 to
// itself ends it at the whole-exchange limit, whether libcurl or the routine follows the 301s.
TEST_F(WebRequestTest, SlowSelfRedirectsEndAtOneDeadlineForTheWholeRequest) {
    using namespace std::chrono_literals;
    SetNetTotalLimitForTesting(1500ms);
    RawServer* self = nullptr;
    RawServer server([&](const std::string&) {
        std::this_thread::sleep_for(400ms);
        return RawAnswer(
            "HTTP/1.1 301 Moved Permanently\r\nLocation: " + self->Url("/again") + "\r\n", "moved");
    });
    self = &server;
    for (const bool noAutoRedirect : {true, false}) {
        WebRequestOptions options;
        options.noAutoRedirect = noAutoRedirect;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(WebRequest(server.Url("/slow"), options), "");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms)
            << (noAutoRedirect ? "the routine follows" : "libcurl follows");
    }
}

// "完成" in UTF-8 and in code page 936.
constexpr char kDoneUtf8[] = "\xe5\xae\x8c\xe6\x88\x90";
constexpr char kDoneGbk[] = "\xcd\xea\xb3\xc9";

TEST_F(WebRequestTest, Utf8BodiesAreConvertedByMarkOrHeader) {
    struct Case {
        std::string name;
        size_t padding; // bytes before the mark
        std::string mark;
        std::string contentType;
        bool converted;
    };
    const Case cases[] = {
        {"mark at the top", 10, "utf-8", "text/html", true},
        {"mark starting at byte 499", 498, "utf-8", "text/html", true},
        {"mark starting at byte 500", 499, "utf-8", "text/html", false},
        {"mark in capitals", 0, "UTF-8", "text/html", false},
        {"late mark, header names it", 600, "utf-8", "text/html; charset=UTF-8", true},
        {"no mark, header names it", 0, "", "text/html; charset=utf-8", true},
        {"no mark at all", 0, "", "text/html", false},
    };
    for (const Case& c : cases) {
        const std::string body = std::string(c.padding, ' ') + c.mark + " " + kDoneUtf8;
        RawServer server([&](const std::string&) {
            return RawAnswer("HTTP/1.1 200 OK\r\nContent-Type: " + c.contentType + "\r\n", body);
        });
        const std::string text = WebGetText(server.Url("/"));
        const std::string expected =
            std::string(c.padding, ' ') + c.mark + " " + (c.converted ? kDoneGbk : kDoneUtf8);
        EXPECT_EQ(text, expected) << c.name;
    }
}

} // namespace
} // namespace veldo::testing
