#pragma once
/* The one way the program speaks HTTP. Every exchange (the web request, covers and downloads,
 * the audio engine's streams) is an HttpTransfer: a libcurl easy handle set up with the rules
 * they all share:
 * - HTTP/1.1 over http or https only, redirects included; at most the chain's redirects, and
 *   never plain http again once https was used (transfer_chain.h);
 * - certificates and host names verified against the system's store (tls_trust.h for tests);
 * - the program's User-Agent unless the caller names another; a proxy only when the caller
 *   names one (the environment's is ignored);
 * - the connect and idle limits of net_timeouts.h, and the chain's deadline when it has one;
 *   a low-speed limit when the caller asks for one;
 * - an address, agent or proxy holding CR, LF or NUL is refused before anything is sent.
 * Callers add what is their own (cookies, a body to send, size caps) on easy() before running.
 *
 * Threads: a transfer runs on the thread that calls Perform() or pumps the multi handle it was
 * added to, and its sinks are called there. TransferSettings::cancel may be set from any thread: an
 * atomic that the body and progress callbacks read. */
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/net/net_timeouts.h"
#include "platform/net/transfer_chain.h"
#include "platform/net/user_agent.h"

namespace veldo {

// What a caller may choose for its transfer.
struct TransferSettings {
    std::string agent = kDefaultUserAgent;
    NetTimeouts limits = CurrentNetTimeouts();
    bool followRedirects = true;
    std::string proxy;                         // "host[:port]" of an http proxy, or empty
    const std::atomic<bool>* cancel = nullptr; // true ends the transfer
    // Slower than this many bytes a second for lowSpeedTime ends the transfer as timed out
    // (libcurl's own check); 0 leaves it off.
    long lowSpeedBytesPerSecond = 0;
    std::chrono::seconds lowSpeedTime{0};
};

class HttpTransfer {
  public:
    // Takes body bytes as they arrive; false ends the transfer. It may block (a consumer that
    // waits for room): that time does not count as idle.
    using BodySink = std::function<bool(const char* data, std::size_t size)>;
    // Takes every header line of every response (redirects and interim answers included), its
    // line break included.
    using HeaderSink = std::function<void(std::string_view line)>;

    // One request of `chain`, which must outlive the transfer. Refused (Opened() false, nothing
    // sent) when `url` is not http or https, when it, the agent or the proxy holds a CR, LF or
    // NUL, when the chain forbids plain http now or its deadline has passed.
    HttpTransfer(std::string_view url, TransferChain& chain, TransferSettings settings = {});
    // A transfer that is a chain of its own.
    explicit HttpTransfer(std::string_view url, TransferSettings settings = {});
    // Counts the redirects it followed into its chain.
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    bool Opened() const { return easy_ != nullptr; }
    // The easy handle, for the caller's own options or a multi handle; null when refused.
    CURL* easy() const { return easy_; }
    void OnBody(BodySink sink) { body_ = std::move(sink); }
    void OnHeader(HeaderSink sink) { header_ = std::move(sink); }

    // Runs the whole transfer on this thread; CURLE_FAILED_INIT when it was refused.
    CURLcode Perform();
    // For a transfer run through a multi handle: its result once libcurl reported it done.
    void Finished(CURLcode result) { result_ = result; }

    CURLcode result() const { return result_; }
    // True when it ended on the connect or idle limit or the deadline.
    bool TimedOut() const { return idle_ || result_ == CURLE_OPERATION_TIMEDOUT; }
    // The final response's status code; 0 before one arrived.
    long Status() const;
    // The final response's Content-Length; -1 when unknown.
    long long ContentLength() const;

  private:
    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                          curl_off_t upNow);
    static int OnPrerequest(void* self, char* remoteIp, char* localIp, int remotePort,
                            int localPort);
    bool Cancelled() const { return settings_.cancel && settings_.cancel->load(); }

    TransferChain ownChain_;
    TransferChain& chain_;
    TransferSettings settings_;
    CURL* easy_ = nullptr;
    BodySink body_;
    HeaderSink header_;
    CURLcode result_ = CURLE_OK;
    bool idle_ = false;
    curl_off_t lastDown_ = 0, lastUp_ = 0;
    std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
};

} // namespace veldo
