#include "platform/audio/url_fetcher.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>

#include "platform/audio/bass.h"

namespace veldo::audio {

namespace {
long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

void EnsureCurlInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

UrlFetcher::UrlFetcher(std::string url, FetchLimits limits, CompressedBuffer& target)
    : url_(std::move(url)), limits_(limits), target_(target) {
    EnsureCurlInitialised();
    thread_ = std::thread([this] { Run(); });
}

UrlFetcher::~UrlFetcher() {
    Abort();
    if (thread_.joinable()) thread_.join();
}

void UrlFetcher::Abort() {
    abort_.store(true);
}

size_t UrlFetcher::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* me = static_cast<UrlFetcher*>(self);
    if (me->abort_.load()) return 0;
    if (!me->sizeKnown_) {
        me->sizeKnown_ = true;
        curl_off_t length = -1;
        curl_easy_getinfo(static_cast<CURL*>(me->curl_), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T,
                          &length);
        me->target_.SetExpectedSize(length);
    }
    me->lastArrivalMs_ = NowMs();
    me->target_.Append(data, size * count);
    // Append waits while playback is behind (or paused): that wait is not network silence.
    me->lastArrivalMs_ = NowMs();
    return size * count;
}

// Called by curl at least once a second; a non-zero answer aborts the transfer.
int UrlFetcher::OnProgress(void* self, long long, long long, long long, long long) {
    auto* me = static_cast<UrlFetcher*>(self);
    if (me->abort_.load()) return 1;
    if (NowMs() - me->lastArrivalMs_ > me->limits_.stallTimeoutMs) {
        me->stalled_ = true;
        return 1;
    }
    return 0;
}

void UrlFetcher::Run() {
    CURL* curl = curl_easy_init();
    if (!curl) {
        target_.Finish(FetchResult::Failed, BASS_ERROR_UNKNOWN);
        return;
    }
    curl_ = curl;
    curl_easy_setopt(curl, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits_.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits_.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &UrlFetcher::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &UrlFetcher::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    lastArrivalMs_ = NowMs();

    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    curl_ = nullptr;
    if (code == CURLE_OK) {
        target_.Finish(FetchResult::Complete, 0);
    } else if (stalled_ || code == CURLE_OPERATION_TIMEDOUT) {
        target_.Finish(FetchResult::Failed, BASS_ERROR_TIMEOUT);
    } else {
        target_.Finish(FetchResult::Failed, BASS_ERROR_FILEOPEN);
    }
}

} // namespace veldo::audio
