#pragma once
// An HTTP client shaped like the WinINet calls the web request makes, built on libcurl:
// open a session (agent, optional plain-http proxy), connect (host, port), open a request
// (verb, path, flags), send one header block with or without a body, read the body in pieces
// of the caller's size, query the raw headers of the final response. Closing a handle is
// destroying it; a request closes itself before its connection and session go away.
//
// Every exchange speaks HTTP/1.1, only http and https (redirects included), verifies
// certificates, follows at most 10 redirects, gives up after the connect and idle limits of
// net_timeouts.h and refuses a body larger than kMaxResponseBodyBytes.
//
// Threads: a handle belongs to the thread that opened it. Requests on different threads share
// nothing but the cookie store of shared_cookie_store.h, which locks itself.
#include "platform/net/net_timeouts.h"
#include "text/text_types.h"

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace veldo {

inline constexpr std::size_t kMaxResponseBodyBytes = std::size_t{64} << 20;

// Request flags.
inline constexpr unsigned kRequestNoCookies = 0x1;      // neither send nor store cookies
inline constexpr unsigned kRequestNoAutoRedirect = 0x2; // report a redirect, do not follow it
inline constexpr unsigned kRequestSecure = 0x4;         // https instead of http

class InternetSession {
  public:
    InternetSession(std::string agent, std::optional<std::string> httpProxy)
        : agent_(std::move(agent)), httpProxy_(std::move(httpProxy)) {}
    const std::string& agent() const { return agent_; }
    const std::optional<std::string>& httpProxy() const { return httpProxy_; }

  private:
    std::string agent_;
    std::optional<std::string> httpProxy_; // "server" or "server:port", plain http only
};

class InternetConnection {
  public:
    InternetConnection(const InternetSession& session, std::string host, int port)
        : session_(session), host_(std::move(host)), port_(port) {}
    const InternetSession& session() const { return session_; }
    const std::string& host() const { return host_; }
    int port() const { return port_; }

  private:
    const InternetSession& session_;
    std::string host_;
    int port_;
};

class HttpRequestHandle {
  public:
    HttpRequestHandle(CURL* easy, CURLM* multi, std::string verb);
    ~HttpRequestHandle();
    HttpRequestHandle(const HttpRequestHandle&) = delete;
    HttpRequestHandle& operator=(const HttpRequestHandle&) = delete;

    // Sends `headerBlock` (lines separated by CR LF, no final CR LF) after the request line,
    // Host and User-Agent, with `body` when one is given. Returns once the answer's first body
    // bytes have arrived or the exchange is over; false when it failed without a byte of body.
    bool Send(std::string_view headerBlock, const ByteArray* body);

    // Copies up to `size` further body bytes into `buffer`; 0 at the end or after a failure.
    std::size_t Read(char* buffer, std::size_t size);

    // The status line and header lines of the final response, each ended by CR LF, then the
    // empty line. False, and `headers` empty, when they do not fit a buffer of `bufferSize`
    // bytes with a terminating zero or when no response arrived.
    bool QueryRawHeaders(std::string& headers, std::size_t bufferSize) const;

    // libcurl's verdict on the exchange so far (CURLE_OK while it runs or after success).
    CURLcode result() const { return result_; }

    // True when the exchange was given up on a time limit or because the body outgrew
    // kMaxResponseBodyBytes: what was read is then no answer at all.
    bool Abandoned() const {
        return result_ == CURLE_OPERATION_TIMEDOUT || result_ == CURLE_FILESIZE_EXCEEDED ||
               tooLarge_ || idle_;
    }

  private:
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                          curl_off_t upNow);
    void Pump();

    CURL* easy_;
    CURLM* multi_;
    std::string verb_;
    curl_slist* headerList_ = nullptr;
    bool added_ = false;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
    std::string pending_; // body bytes received and not read yet, from pendingPos_ on
    std::size_t pendingPos_ = 0;
    std::size_t bodyBytes_ = 0;
    std::string headers_;
    bool headersComplete_ = false;
    bool tooLarge_ = false;
    bool idle_ = false; // given up after idleSeconds without a byte either way
    curl_off_t lastDown_ = 0, lastUp_ = 0;
    std::chrono::steady_clock::time_point lastActivity_;
    const std::chrono::seconds idleLimit_{CurrentNetTimeouts().idleSeconds};
};

// A session; never null.
std::unique_ptr<InternetSession> InternetOpen(std::string_view agent,
                                              const std::optional<std::string>& httpProxy);

// Null when `host` is not a plain host name (letters, digits, ".", "-", "_") or the port lies
// outside 1..65535.
std::unique_ptr<InternetConnection> InternetConnect(const InternetSession& session,
                                                    std::string_view host, int port);

// Null when libcurl cannot make a handle. `path` starts with "/"; bytes that may not stand in
// a request target (controls, space, non-ASCII) are sent percent-encoded.
std::unique_ptr<HttpRequestHandle> HttpOpenRequest(const InternetConnection& connection,
                                                   std::string_view verb, std::string_view path,
                                                   unsigned flags);

} // namespace veldo
