#include "platform/net/http_transfer.h"

#include "platform/net/curl_global.h"
#include "platform/net/tls_trust.h"
#include "platform/net/url_scheme.h"
#include "platform/net/wire_safety.h"

namespace veldo {

HttpTransfer::HttpTransfer(std::string_view url, TransferSettings settings)
    : HttpTransfer(url, ownChain_, std::move(settings)) {}

HttpTransfer::HttpTransfer(std::string_view url, TransferChain& chain, TransferSettings settings)
    : chain_(chain), settings_(std::move(settings)) {
    if (!IsHttpUrl(url) || !IsWireSafe(url) || !IsWireSafe(settings_.agent) ||
        !IsWireSafe(settings_.proxy))
        return;
    if (chain_.HasDeadline() && chain_.Remaining().count() <= 0) return;
    if (!chain_.Admits(url)) return;
    EnsureCurlGlobalInit();
    easy_ = curl_easy_init();
    if (!easy_) return;

    curl_easy_setopt(easy_, CURLOPT_URL, std::string(url).c_str());
    curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, settings_.followRedirects ? 1L : 0L);
    curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, chain_.RedirectsLeft());
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &HttpTransfer::OnPrerequest);
    curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this);

    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L);
    const std::string authority = TrustedAuthorityFile();
    if (!authority.empty()) curl_easy_setopt(easy_, CURLOPT_CAINFO, authority.c_str());

    curl_easy_setopt(easy_, CURLOPT_USERAGENT, settings_.agent.c_str());
    // An empty proxy also keeps libcurl from taking one out of the environment.
    const std::string proxy = settings_.proxy.empty() ? "" : "http://" + settings_.proxy;
    curl_easy_setopt(easy_, CURLOPT_PROXY, proxy.c_str());

    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(settings_.limits.connect.count()));
    if (settings_.lowSpeedBytesPerSecond > 0) {
        curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, settings_.lowSpeedBytesPerSecond);
        curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(settings_.lowSpeedTime.count()));
    }
    if (chain_.HasDeadline())
        curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, static_cast<long>(chain_.Remaining().count()));

    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HttpTransfer::OnWrite);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &HttpTransfer::OnHeaderLine);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &HttpTransfer::OnProgress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
}

HttpTransfer::~HttpTransfer() {
    if (!easy_) return;
    long redirects = 0;
    curl_easy_getinfo(easy_, CURLINFO_REDIRECT_COUNT, &redirects);
    chain_.CountRedirects(redirects);
    curl_easy_cleanup(easy_);
}

CURLcode HttpTransfer::Perform() {
    if (!easy_) return result_ = CURLE_FAILED_INIT;
    lastActivity_ = std::chrono::steady_clock::now();
    return result_ = curl_easy_perform(easy_);
}

long HttpTransfer::Status() const {
    long status = 0;
    if (easy_) curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

long long HttpTransfer::ContentLength() const {
    curl_off_t length = -1;
    if (easy_) curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return length;
}

std::size_t HttpTransfer::OnWrite(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<HttpTransfer*>(self);
    const std::size_t bytes = size * count;
    if (transfer->Cancelled()) return 0; // aborts the transfer
    const bool kept = !transfer->body_ || transfer->body_(data, bytes);
    // However long the sink held the bytes, the network was not idle meanwhile.
    transfer->lastActivity_ = std::chrono::steady_clock::now();
    return kept ? bytes : 0;
}

std::size_t HttpTransfer::OnHeaderLine(char* data, std::size_t size, std::size_t count,
                                       void* self) {
    auto* transfer = static_cast<HttpTransfer*>(self);
    if (transfer->header_) transfer->header_(std::string_view(data, size * count));
    return size * count;
}

// libcurl calls this at least once a second. Its own low-speed check averages over several
// seconds, so a server that sends a little and then falls silent is caught here instead, on
// time: no byte either way for the idle limit ends the transfer.
int HttpTransfer::OnProgress(void* self, curl_off_t, curl_off_t downNow, curl_off_t,
                             curl_off_t upNow) {
    auto* transfer = static_cast<HttpTransfer*>(self);
    if (transfer->Cancelled()) return 1; // aborts the transfer
    const auto now = std::chrono::steady_clock::now();
    if (downNow != transfer->lastDown_ || upNow != transfer->lastUp_) {
        transfer->lastDown_ = downNow;
        transfer->lastUp_ = upNow;
        transfer->lastActivity_ = now;
        return 0;
    }
    if (now - transfer->lastActivity_ >= transfer->settings_.limits.idle) {
        transfer->idle_ = true;
        return 1;
    }
    return 0;
}

// Called before each request goes out on its connection, redirects included: the place where
// the address libcurl resolved is known, so a redirect from https to plain http is stopped
// here, before a byte of it is sent.
int HttpTransfer::OnPrerequest(void* self, char*, char*, int, int) {
    auto* transfer = static_cast<HttpTransfer*>(self);
    char* url = nullptr;
    curl_easy_getinfo(transfer->easy_, CURLINFO_EFFECTIVE_URL, &url);
    return url && transfer->chain_.Admits(url) ? CURL_PREREQFUNC_OK : CURL_PREREQFUNC_ABORT;
}

} // namespace veldo
