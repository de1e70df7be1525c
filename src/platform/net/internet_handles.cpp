#include "platform/net/internet_handles.h"

#include "platform/net/curl_global.h"
#include "platform/net/net_timeouts.h"
#include "platform/net/shared_cookie_store.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace veldo {
namespace {

bool IsPlainHostName(std::string_view host) {
    if (host.empty()) return false;
    return std::all_of(host.begin(), host.end(), [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == '_';
    });
}

std::string EncodeRequestTarget(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string target;
    target.reserve(path.size());
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F) {
            target += '%';
            target += kHex[c >> 4];
            target += kHex[c & 0xF];
        } else {
            target += static_cast<char>(c);
        }
    }
    return target;
}

bool HasHeaderNamed(std::string_view block, std::string_view name) {
    size_t start = 0;
    while (start <= block.size()) {
        size_t end = block.find("\r\n", start);
        if (end == std::string_view::npos) end = block.size();
        std::string_view line = block.substr(start, end - start);
        if (line.size() > name.size() && line[name.size()] == ':' &&
            std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
        start = end + 2;
    }
    return false;
}

// One curl_slist entry per line of the block. A line holding a stray CR or LF is dropped so
// that no caller text can start a header or a request of its own.
curl_slist* HeaderList(std::string_view block) {
    curl_slist* list = nullptr;
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find("\r\n", start);
        if (end == std::string_view::npos) end = block.size();
        std::string line(block.substr(start, end - start));
        if (!line.empty() && line.find_first_of("\r\n") == std::string::npos)
            list = curl_slist_append(list, line.c_str());
        start = end + 2;
    }
    // libcurl would add these of its own accord; an empty value suppresses them.
    if (!HasHeaderNamed(block, "Accept")) list = curl_slist_append(list, "Accept:");
    if (!HasHeaderNamed(block, "Expect")) list = curl_slist_append(list, "Expect:");
    return list;
}

} // namespace

HttpRequestHandle::HttpRequestHandle(CURL* easy, CURLM* multi, std::string verb)
    : easy_(easy), multi_(multi), verb_(std::move(verb)) {
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HttpRequestHandle::OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &HttpRequestHandle::OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &HttpRequestHandle::OnProgress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
}

HttpRequestHandle::~HttpRequestHandle() {
    if (added_) curl_multi_remove_handle(multi_, easy_);
    curl_easy_cleanup(easy_);
    curl_multi_cleanup(multi_);
    curl_slist_free_all(headerList_);
}

bool HttpRequestHandle::Send(std::string_view headerBlock, const ByteArray* body) {
    if (added_) return false;
    headerList_ = HeaderList(headerBlock);
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
    if (body) {
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
        curl_easy_setopt(easy_, CURLOPT_COPYPOSTFIELDS, body->data());
        if (verb_ != "POST") curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb_.c_str());
    } else if (verb_ == "GET") {
        curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb_.c_str());
    }
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
        done_ = true;
        result_ = CURLE_FAILED_INIT;
        return false;
    }
    added_ = true;
    lastActivity_ = std::chrono::steady_clock::now();
    while (!done_ && pendingPos_ == pending_.size())
        Pump();
    return result_ == CURLE_OK || bodyBytes_ > 0;
}

std::size_t HttpRequestHandle::Read(char* buffer, std::size_t size) {
    if (!added_) return 0;
    while (!done_ && pendingPos_ == pending_.size())
        Pump();
    std::size_t count = std::min(size, pending_.size() - pendingPos_);
    if (count > 0) std::memcpy(buffer, pending_.data() + pendingPos_, count);
    pendingPos_ += count;
    if (pendingPos_ == pending_.size()) {
        pending_.clear();
        pendingPos_ = 0;
    }
    return count;
}

bool HttpRequestHandle::QueryRawHeaders(std::string& headers, std::size_t bufferSize) const {
    headers.clear();
    if (headers_.empty() || headers_.size() + 1 > bufferSize) return false;
    headers = headers_;
    return true;
}

void HttpRequestHandle::Pump() {
    int running = 0;
    if (curl_multi_perform(multi_, &running) != CURLM_OK) {
        done_ = true;
        result_ = CURLE_FAILED_INIT;
        return;
    }
    if (running == 0) {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left))
            if (message->msg == CURLMSG_DONE) result_ = message->data.result;
        done_ = true;
        return;
    }
    if (pendingPos_ == pending_.size()) curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
}

std::size_t HttpRequestHandle::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* request = static_cast<HttpRequestHandle*>(self);
    std::size_t bytes = size * count;
    if (request->bodyBytes_ + bytes > kMaxResponseBodyBytes) {
        request->tooLarge_ = true;
        return 0; // aborts the transfer
    }
    request->bodyBytes_ += bytes;
    request->pending_.append(data, bytes);
    return bytes;
}

// libcurl calls this at least once a second. Its own low-speed check averages over several
// seconds, so a server that sends a little and then falls silent is caught here, on time.
int HttpRequestHandle::OnProgress(void* self, curl_off_t, curl_off_t downNow, curl_off_t,
                                  curl_off_t upNow) {
    auto* request = static_cast<HttpRequestHandle*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (downNow != request->lastDown_ || upNow != request->lastUp_) {
        request->lastDown_ = downNow;
        request->lastUp_ = upNow;
        request->lastActivity_ = now;
        return 0;
    }
    if (now - request->lastActivity_ >= request->idleLimit_) {
        request->idle_ = true;
        return 1; // aborts the transfer
    }
    return 0;
}

// Called once per header line of every response, redirects and interim answers included; a
// status line starts the record afresh, so what is kept belongs to the final response.
std::size_t HttpRequestHandle::OnHeader(char* data, std::size_t size, std::size_t count,
                                        void* self) {
    auto* request = static_cast<HttpRequestHandle*>(self);
    std::size_t bytes = size * count;
    std::string_view line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.starts_with("HTTP/")) {
        request->headers_.clear();
        request->headersComplete_ = false;
    } else if (request->headersComplete_) {
        return bytes; // trailers of a chunked body
    }
    if (line.empty()) request->headersComplete_ = true;
    request->headers_.append(line);
    request->headers_.append("\r\n");
    return bytes;
}

std::unique_ptr<InternetSession> InternetOpen(std::string_view agent,
                                              const std::optional<std::string>& httpProxy) {
    // An agent never spans lines: whatever follows a line break would become a header.
    agent = agent.substr(0, agent.find_first_of("\r\n"));
    return std::make_unique<InternetSession>(std::string(agent), httpProxy);
}

std::unique_ptr<InternetConnection> InternetConnect(const InternetSession& session,
                                                    std::string_view host, int port) {
    if (!IsPlainHostName(host) || port < 1 || port > 65535) return nullptr;
    return std::make_unique<InternetConnection>(session, std::string(host), port);
}

std::unique_ptr<HttpRequestHandle> HttpOpenRequest(const InternetConnection& connection,
                                                   std::string_view verb, std::string_view path,
                                                   unsigned flags) {
    EnsureCurlGlobalInit();
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    if (!easy || !multi) {
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
        return nullptr;
    }
    const bool secure = flags & kRequestSecure;
    std::string url = secure ? "https://" : "http://";
    url.append(connection.host()).append(":").append(std::to_string(connection.port()));
    if (!path.starts_with('/')) url.push_back('/');
    url.append(EncodeRequestTarget(path));

    const InternetSession& session = connection.session();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, session.agent().c_str());
    ApplyTransferSafety(easy);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, (flags & kRequestNoAutoRedirect) ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, CurrentNetTotalLimitMs());
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(kMaxResponseBodyBytes));
    // The proxy serves plain http only; an empty proxy also keeps libcurl from taking one out
    // of the environment.
    const bool viaProxy = session.httpProxy() && !session.httpProxy()->empty() && !secure;
    std::string proxy;
    if (viaProxy) proxy.append("http://").append(*session.httpProxy());
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    if (!(flags & kRequestNoCookies)) {
        curl_easy_setopt(easy, CURLOPT_SHARE, SharedCookieStore());
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // the cookie engine, in memory only
    }
    return std::make_unique<HttpRequestHandle>(easy, multi, std::string(verb));
}

} // namespace veldo
