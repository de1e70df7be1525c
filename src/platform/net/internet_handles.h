#pragma once
// An HTTP client shaped like the WinINet calls the web request makes, built on the program's
// one HTTP transfer (http_transfer.h): open a session (agent, optional plain-http proxy),
// connect (host, port), open a request (verb, path, flags) within the request's chain, send one
// header block with or without a body, read the body in pieces of the caller's size, query the
// raw headers of the final response. Closing a handle is destroying it; a request closes itself
// before its connection and session go away.
//
// Every exchange follows the rules of http_transfer.h and refuses a body larger than
// kMaxResponseBodyBytes. A session whose agent, or a request whose path, holds a CR, LF or NUL
// is not opened at all.
//
// Threads: a handle belongs to the thread that opened it. Requests on different threads share
// nothing but the cookie store of shared_cookie_store.h, which locks itself.
#include "platform/net/http_transfer.h"
#include "platform/net/transfer_chain.h"

#include <curl/curl.h>

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
    HttpRequestHandle(std::unique_ptr<HttpTransfer> transfer, CURLM* multi, std::string verb);
    ~HttpRequestHandle();
    HttpRequestHandle(const HttpRequestHandle&) = delete;
    HttpRequestHandle& operator=(const HttpRequestHandle&) = delete;

    // Sends `headerBlock` (lines separated by CR LF, no final CR LF) after the request line,
    // Host and User-Agent, with `body` when one is given. Returns once the answer's first body
    // bytes have arrived or the exchange is over; false when it failed without a byte of body.
    bool Send(std::string_view headerBlock, const std::string* body);

    // Copies up to `size` further body bytes into `buffer`; 0 at the end or after a failure.
    std::size_t Read(char* buffer, std::size_t size);

    // The status line and header lines of the final response, each ended by CR LF, then the
    // empty line. False, and `headers` empty, when they do not fit a buffer of `bufferSize`
    // bytes with a terminating zero or when no response arrived.
    bool QueryRawHeaders(std::string& headers, std::size_t bufferSize) const;

    // libcurl's verdict on the exchange so far (CURLE_OK while it runs or after success).
    CURLcode result() const { return transfer_->result(); }

    // True when the exchange was given up on a time limit or because the body outgrew
    // kMaxResponseBodyBytes: what was read is then no answer at all.
    bool Abandoned() const {
        return transfer_->TimedOut() || result() == CURLE_FILESIZE_EXCEEDED || tooLarge_;
    }

  private:
    bool TakeBody(const char* data, std::size_t size);
    void TakeHeaderLine(std::string_view line);
    void Pump();

    std::unique_ptr<HttpTransfer> transfer_;
    CURLM* multi_;
    std::string verb_;
    curl_slist* headerList_ = nullptr;
    bool added_ = false;
    bool done_ = false;
    std::string pending_; // body bytes received and not read yet, from pendingPos_ on
    std::size_t pendingPos_ = 0;
    std::size_t bodyBytes_ = 0;
    std::string headers_;
    bool headersComplete_ = false;
    bool tooLarge_ = false;
};

// A session; null when `agent` holds a CR, LF or NUL.
std::unique_ptr<InternetSession> InternetOpen(std::string_view agent,
                                              const std::optional<std::string>& httpProxy);

// Null when `host` is not a plain host name (letters, digits, ".", "-", "_") or the port lies
// outside 1..65535.
std::unique_ptr<InternetConnection> InternetConnect(const InternetSession& session,
                                                    std::string_view host, int port);

// A request of `chain`, which must outlive it. `path` starts with "/"; bytes that may not stand
// in a request target (space, other controls, non-ASCII) are sent percent-encoded. Null when
// the path holds a CR, LF or NUL, when the chain refuses the address (plain http after https,
// deadline passed) or when libcurl cannot make a handle.
std::unique_ptr<HttpRequestHandle> HttpOpenRequest(const InternetConnection& connection,
                                                   std::string_view verb, std::string_view path,
                                                   unsigned flags, TransferChain& chain);

} // namespace veldo
