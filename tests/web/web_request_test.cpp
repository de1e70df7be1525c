// What WebRequest puts on the wire and what it hands back: verb, header block, body, cookies.
#include "web_request_fixture.h"
#include "web_request_raw_server.h"

#include "support/http_clients.h"
#include "support/local_server.h"
#include "support/mp3_server.h"
#include "support/wait_until.h"
#include "web/header_value.h"
#include "web/web_get_text.h"

#include <gmock/gmock.h>

#include <atomic>
#include <thread>

namespace veldo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::string OkAnswer(const std::string&) {
    return RawAnswer("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n", "hello");
}

TEST_F(WebRequestTest, PlainGetSendsExactlyTheFixedHeaderLinesInOrder) {
    RawServer server(OkAnswer);
    const std::string url = server.Url("/sound/info?sound_id=7");

    EXPECT_EQ(WebGetText(url), "hello");

    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(RequestLine(request), "GET /sound/info?sound_id=7 HTTP/1.1");
    EXPECT_THAT(HeaderLines(request),
                ElementsAre("Host: 127.0.0.1:" + std::to_string(server.port()),
                            std::string("User-Agent: ") + kDefaultUserAgent, "Referer: " + url,
                            "Accept: */*", "Accept-Language: zh-cn",
                            "Content-Type: application/x-www-form-urlencoded"));
    EXPECT_EQ(RequestBody(request), "");
}

TEST_F(WebRequestTest, EveryClientSendsTheProgramsUserAgent) {
    LocalServer server;
    ServeFile(server, "/tone.mp3", {ClientTestMp3()});
    server.Start();
    for (const HttpClient& client : HttpClients()) {
        const size_t before = server.Requests().size();
        ASSERT_TRUE(client.fetches(server.Url("/tone.mp3"), ClientTestMp3())) << client.name;
        // The server records a request after its answer has gone out.
        ASSERT_TRUE(
            WaitUntil([&] { return server.Requests().size() > before; }, std::chrono::seconds(5)))
            << client.name;
        const std::vector<RecordedRequest> requests = server.Requests();
        std::vector<std::string> agents;
        for (const auto& [name, value] : requests.back().headers)
            if (name == "User-Agent") agents.push_back(value);
        EXPECT_THAT(agents, ElementsAre(kDefaultUserAgent)) << client.name;
    }
}

TEST_F(WebRequestTest, UserAgentComesFromTheCallersLineInEitherForm) {
    struct Case {
        std::string extraHeaders, agentLine;
    };
    for (const Case& c : {Case{"user-agent: X\r\nReferer: R", "user-agent: X"},
                          Case{"User-Agent: Y", "User-Agent: Y"},
                          Case{"Referer: R\r\nUser-Agent: Z", "User-Agent: Z"}}) {
        RawServer server(OkAnswer);
        Text extraHeaders = c.extraHeaders;
        WebRequestOptions options;
        options.extraHeaders = &extraHeaders;
        EXPECT_EQ(WebRequest(server.Url("/"), options), "hello");

        const auto lines = HeaderLines(server.Requests().at(0));
        int agentLines = 0;
        for (const std::string& line : lines)
            if (line.size() > 11 && strncasecmp(line.c_str(), "User-Agent:", 11) == 0) {
                ++agentLines;
                EXPECT_EQ(line, c.agentLine);
            }
        EXPECT_EQ(agentLines, 1) << c.extraHeaders;
        EXPECT_THAT(extraHeaders, HasSubstr("\r\nAccept: */*")) << "completed in place";
    }
}

TEST_F(WebRequestTest, RefererIsKeptOrDoubledByLetterCase) {
    RawServer server(OkAnswer);
    const std::string url = server.Url("/p");
    Text exact = "Referer: R";
    Text lower = "referer: R";
    WebRequestOptions options;
    options.extraHeaders = &exact;
    WebRequest(url, options);
    options.extraHeaders = &lower;
    WebRequest(url, options);

    EXPECT_EQ(exact, "Referer: R\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: "
                     "application/x-www-form-urlencoded");
    EXPECT_EQ(lower, "referer: R\r\nReferer: " + url +
                         "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: "
                         "application/x-www-form-urlencoded");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_THAT(HeaderLines(requests[0]), Not(::testing::Contains(HasSubstr(url))));
    EXPECT_THAT(HeaderLines(requests[1]), ::testing::Contains("referer: R"));
    EXPECT_THAT(HeaderLines(requests[1]), ::testing::Contains("Referer: " + url));
}

TEST_F(WebRequestTest, PostSendsPostTextAndLeavesItInPostBytes) {
    RawServer server([](const std::string& request) {
        return RawAnswer("HTTP/1.1 200 OK\r\n", RequestBody(request));
    });
    ByteArray postBytes;
    WebRequestOptions options;
    options.method = 1;
    options.postText = "a=1&b=2";
    options.postBytes = &postBytes;

    EXPECT_EQ(WebRequest(server.Url("/form"), options), "a=1&b=2");
    EXPECT_EQ(postBytes, "a=1&b=2");
    const std::string request = server.Requests().at(0);
    EXPECT_EQ(RequestLine(request), "POST /form HTTP/1.1");
    EXPECT_THAT(HeaderLines(request), ::testing::Contains("Content-Length: 7"));
}

TEST_F(WebRequestTest, MethodTwoSendsGetWithTheBodyBytes) {
    RawServer server([](const std::string& request) {
        return RawAnswer("HTTP/1.1 200 OK\r\n", RequestBody(request));
    });
    ByteArray postBytes("x\0y", 3);
    WebRequestOptions options;
    options.method = 2;
    options.postText = "ignored because postBytes is not empty";
    options.postBytes = &postBytes;

    EXPECT_EQ(WebRequest(server.Url("/g"), options), ByteArray("x\0y", 3));
    EXPECT_EQ(RequestLine(server.Requests().at(0)), "GET /g HTTP/1.1");
}

TEST_F(WebRequestTest, LargeBodyIsSentWithoutWaitingForContinue) {
    RawServer server([](const std::string& request) {
        return RawAnswer("HTTP/1.1 200 OK\r\n", std::to_string(RequestBody(request).size()));
    });
    WebRequestOptions options;
    options.method = 1;
    options.postText = std::string(2 << 20, 'b');

    EXPECT_EQ(WebRequest(server.Url("/big"), options), std::to_string(2 << 20));
    for (const std::string& line : HeaderLines(server.Requests().at(0)))
        EXPECT_THAT(line, Not(HasSubstr("Expect"))) << "no header the caller did not compose";
}

TEST_F(WebRequestTest, GivenCookiesAreSentLastAndMergedWithTheResponse) {
    RawServer server([](const std::string&) {
        return RawAnswer("HTTP/1.1 200 OK\r\nSet-Cookie: b=3; path=/\r\nSet-Cookie: c=4; "
                         "HttpOnly\r\n",
                         "ok");
    });
    Text cookies = "a=1; b=2";
    Text returned;
    WebRequestOptions options;
    options.cookies = &cookies;
    options.returnedCookies = &returned;

    EXPECT_EQ(WebRequest(server.Url("/c"), options), "ok");
    EXPECT_EQ(HeaderLines(server.Requests().at(0)).back(), "Cookie: a=1; b=2");
    EXPECT_EQ(cookies, "b=3; c=4; a=1");
    EXPECT_EQ(returned, "b=3;c=4");
}

TEST_F(WebRequestTest, RunCookieStoreIsUsedOnlyWhenCookiesAreOmitted) {
    RawServer server([](const std::string& request) {
        const bool first = request.find("/set ") != std::string::npos;
        return RawAnswer(first ? "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2; "
                                 "HttpOnly\r\n"
                               : "HTTP/1.1 200 OK\r\nSet-Cookie: g=9; path=/\r\n",
                         "ok");
    });
    Text returned;
    WebRequestOptions omitted;
    omitted.returnedCookies = &returned;
    WebRequest(server.Url("/set"), omitted);
    EXPECT_EQ(returned, "a=1; b=2");

    Text emptyButGiven;
    WebRequestOptions given;
    given.cookies = &emptyButGiven;
    WebRequest(server.Url("/given"), given); // neither sends a=1 nor stores g=9
    WebRequest(server.Url("/later"), omitted);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const std::string& line : HeaderLines(requests[1]))
        EXPECT_THAT(line, Not(HasSubstr("Cookie")));
    const auto later = HeaderLines(requests[2]);
    EXPECT_THAT(later, ::testing::Contains(HasSubstr("a=1")));
    EXPECT_THAT(later, ::testing::Contains(HasSubstr("b=2")));
    EXPECT_THAT(later, Not(::testing::Contains(HasSubstr("g=9"))));
    EXPECT_EQ(emptyButGiven, "g=9");
}

TEST_F(WebRequestTest, ResponseHeadersAndTheirLetterCase) {
    struct Case {
        std::string head;
        std::string returnedCookies;
        bool locationFound;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nSet-Cookie: c=3\r\n", "", false},
        {"HTTP/1.1 200 OK\r\nlocation: http://x/\r\nset-cookie: z=1; path=/\r\n", "", false},
        {"HTTP/1.1 200 OK\r\nLocation: http://x/\r\n", "", true},
    };
    for (const Case& c : cases) {
        RawServer server([&](const std::string&) { return RawAnswer(c.head, "body"); });
        Text returned = "stale", redirect = "stale", headers;
        WebRequestOptions options;
        options.returnedCookies = &returned;
        options.redirectAddress = &redirect;
        options.responseHeaders = &headers;
        options.noAutoRedirect = true;

        EXPECT_EQ(WebRequest(server.Url("/h"), options), "body");
        EXPECT_EQ(headers.substr(0, c.head.size()), c.head);
        EXPECT_TRUE(headers.ends_with("Connection: close\r\n\r\n")) << headers;
        EXPECT_EQ(returned, c.returnedCookies) << c.head;
        EXPECT_EQ(redirect, c.locationFound ? "http://x/" : headers) << c.head;
    }
}

TEST_F(WebRequestTest, HeadersLongerThanTheBufferYieldNoHeaderLine) {
    const std::string longValue(6000, 'v');
    RawServer server([&](const std::string&) {
        return RawAnswer("HTTP/1.1 200 OK\r\nSet-Cookie: a=1;\r\nX-Long: " + longValue + "\r\n",
                         "body");
    });
    Text headers = "stale", returned;
    WebRequestOptions options;
    options.responseHeaders = &headers;
    options.returnedCookies = &returned;
    EXPECT_EQ(WebRequest(server.Url("/"), options), "body");
    EXPECT_EQ(headers, "");
    EXPECT_EQ(returned, "");
}

TEST_F(WebRequestTest, ProxyCarriesPlainHttpRequests) {
    RawServer proxy(OkAnswer);
    WebRequestOptions options;
    options.proxy = "127.0.0.1:" + std::to_string(proxy.port());

    EXPECT_EQ(WebRequest("http://music.example/list?page=1", options), "hello");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(RequestLine(proxy.Requests()[0]), "GET http://music.example/list?page=1 HTTP/1.1");
}

TEST_F(WebRequestTest, PathBytesThatCannotStandInATargetArePercentEncoded) {
    RawServer server(OkAnswer);
    WebGetText(server.Url("/a b/\xcd\xea"));
    EXPECT_EQ(RequestLine(server.Requests().at(0)), "GET /a%20b/%CD%EA HTTP/1.1");
}

TEST_F(WebRequestTest, WorksOverCppHttplibToo) {
    LocalServer server;
    server.server().Get("/x", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("a\0b", 3), "application/octet-stream");
    });
    server.Start();
    EXPECT_EQ(WebRequest(server.Url("/x")), ByteArray("a\0b", 3));
    EXPECT_EQ(WebGetText(server.Url("/x")), "a") << "a text ends at the first zero byte";
}

TEST_F(WebRequestTest, RequestsOnSeveralThreadsShareTheCookieStoreSafely) {
    LocalServer server;
    server.server().Get("/t", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Set-Cookie", "t" + req.get_param_value("n") + "=1; path=/");
        res.set_content("n" + req.get_param_value("n"), "text/plain");
    });
    server.Start();
    constexpr int kThreads = 4, kEach = 10;
    std::vector<std::thread> threads;
    std::atomic<int> right{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const std::string n = std::to_string(t * kEach + i);
                if (WebGetText(server.Url("/t?n=" + n)) == "n" + n) ++right;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(right, kThreads * kEach);
    // The last requests carried cookies that other threads' answers had set.
    bool sawCookie = false;
    for (const RecordedRequest& request : server.Requests())
        for (const auto& [name, value] : request.headers)
            sawCookie |= name == "Cookie";
    EXPECT_TRUE(sawCookie);
}

TEST(HeaderValue, ValueAfterTheFirstColonTrimmed) {
    struct Case {
        const char* line;
        const char* value;
    };
    for (const Case& c :
         {Case{"Location: http://a/b", "http://a/b"}, Case{"a:b:c", "b:c"},
          Case{"  X :  v w  ", "v w"}, Case{"no colon", ""}, Case{"", ""}, Case{"Empty:", ""}})
        EXPECT_EQ(HeaderValue(c.line), c.value) << c.line;
}

} // namespace
} // namespace veldo::testing
