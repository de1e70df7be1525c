#include "platform/net/internet_handles.h"

#include "platform/net/shared_cookie_store.h"
#include "platform/net/wire_safety.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace veldo {
namespace {

// The longest single wait for socket activity; curl shortens it to its own next timer.
constexpr int kPollLimitMs = 1000;
constexpr int kMaxPort = 65535;

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

// One curl_slist entry per line of the block. A line holding a stray CR, LF or NUL is dropped
// so that no caller text can start a header or a request of its own, or be cut short.
curl_slist* HeaderList(std::string_view block) {
    curl_slist* list = nullptr;
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find("\r\n", start);
        if (end == std::string_view::npos) end = block.size();
        std::string line(block.substr(start, end - start));
        if (!line.empty() && IsWireSafe(line)) list = curl_slist_append(list, line.c_str());
        start = end + 2;
    }
    // libcurl would add these of its own accord; an empty value suppresses them.
    if (!HasHeaderNamed(block, "Accept")) list = curl_slist_append(list, "Accept:");
    if (!HasHeaderNamed(block, "Expect")) list = curl_slist_append(list, "Expect:");
    return list;
}

} // namespace

HttpRequestHandle::HttpRequestHandle(std::unique_ptr<HttpTransfer> transfer, CURLM* multi,
                                     std::string verb)
    : transfer_(std::move(transfer)), multi_(multi), verb_(std::move(verb)) {
    transfer_->OnBody([this](const char* data, std::size_t size) { return TakeBody(data, size); });
    transfer_->OnHeader([this](std::string_view line) { TakeHeaderLine(line); });
}

HttpRequestHandle::~HttpRequestHandle() {
    if (added_) curl_multi_remove_handle(multi_, transfer_->easy());
    transfer_.reset();
    curl_multi_cleanup(multi_);
    curl_slist_free_all(headerList_);
}

bool HttpRequestHandle::Send(std::string_view headerBlock, const std::string* body) {
    if (added_) return false;
    CURL* easy = transfer_->easy();
    headerList_ = HeaderList(headerBlock);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList_);
    if (body) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
        curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, body->data());
        if (verb_ != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb_.c_str());
    } else if (verb_ == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb_.c_str());
    }
    if (curl_multi_add_handle(multi_, easy) != CURLM_OK) {
        done_ = true;
        transfer_->Finished(CURLE_FAILED_INIT);
        return false;
    }
    added_ = true;
    while (!done_ && pendingPos_ == pending_.size())
        Pump();
    return result() == CURLE_OK || bodyBytes_ > 0;
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
        transfer_->Finished(CURLE_FAILED_INIT);
        return;
    }
    if (running == 0) {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left))
            if (message->msg == CURLMSG_DONE) transfer_->Finished(message->data.result);
        done_ = true;
        return;
    }
    if (pendingPos_ == pending_.size()) curl_multi_poll(multi_, nullptr, 0, kPollLimitMs, nullptr);
}

bool HttpRequestHandle::TakeBody(const char* data, std::size_t size) {
    if (bodyBytes_ + size > kMaxResponseBodyBytes) {
        tooLarge_ = true;
        return false; // aborts the transfer
    }
    bodyBytes_ += size;
    pending_.append(data, size);
    return true;
}

// Called once per header line of every response, redirects and interim answers included; a
// status line starts the record afresh, so what is kept belongs to the final response.
void HttpRequestHandle::TakeHeaderLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.starts_with("HTTP/")) {
        headers_.clear();
        headersComplete_ = false;
    } else if (headersComplete_) {
        return; // trailers of a chunked body
    }
    if (line.empty()) headersComplete_ = true;
    headers_.append(line);
    headers_.append("\r\n");
}

std::unique_ptr<InternetSession> InternetOpen(std::string_view agent,
                                              const std::optional<std::string>& httpProxy) {
    if (!IsWireSafe(agent)) return nullptr;
    return std::make_unique<InternetSession>(std::string(agent), httpProxy);
}

std::unique_ptr<InternetConnection> InternetConnect(const InternetSession& session,
                                                    std::string_view host, int port) {
    if (!IsPlainHostName(host) || port < 1 || port > kMaxPort) return nullptr;
    return std::make_unique<InternetConnection>(session, std::string(host), port);
}

std::unique_ptr<HttpRequestHandle> HttpOpenRequest(const InternetConnection& connection,
                                                   std::string_view verb, std::string_view path,
                                                   unsigned flags, TransferChain& chain) {
    if (!IsWireSafe(path)) return nullptr;
    const bool secure = flags & kRequestSecure;
    std::string url = secure ? "https://" : "http://";
    url.append(connection.host()).append(":").append(std::to_string(connection.port()));
    if (!path.starts_with('/')) url.push_back('/');
    url.append(EncodeRequestTarget(path));

    const InternetSession& session = connection.session();
    TransferSettings settings;
    settings.agent = session.agent();
    settings.followRedirects = !(flags & kRequestNoAutoRedirect);
    // The proxy serves plain http only.
    if (session.httpProxy() && !secure) settings.proxy = *session.httpProxy();
    auto transfer = std::make_unique<HttpTransfer>(url, chain, std::move(settings));
    CURLM* multi = transfer->Opened() ? curl_multi_init() : nullptr;
    if (!multi) return nullptr;

    CURL* easy = transfer->easy();
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(kMaxResponseBodyBytes));
    if (!(flags & kRequestNoCookies)) {
        curl_easy_setopt(easy, CURLOPT_SHARE, SharedCookieStore());
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // the cookie engine, in memory only
    }
    return std::make_unique<HttpRequestHandle>(std::move(transfer), multi, std::string(verb));
}

} // namespace veldo
