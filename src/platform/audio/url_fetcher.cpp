#include "platform/audio/url_fetcher.h"

#include <chrono>

#include "platform/audio/bass.h"
#include "platform/net/http_transfer.h"

namespace veldo::audio {

UrlFetcher::UrlFetcher(std::string url, FetchLimits limits, CompressedBuffer& target)
    : url_(std::move(url)), limits_(limits), target_(target) {
    thread_ = std::thread([this] { Run(); });
}

UrlFetcher::~UrlFetcher() {
    Abort();
    if (thread_.joinable()) thread_.join();
}

void UrlFetcher::Abort() {
    abort_.store(true);
}

void UrlFetcher::Run() {
    TransferSettings settings;
    settings.limits = {std::chrono::milliseconds(limits_.connectTimeoutMs),
                       std::chrono::milliseconds(limits_.stallTimeoutMs)};
    settings.cancel = &abort_;
    HttpTransfer transfer(url_, std::move(settings));
    if (!transfer.Opened()) {
        target_.Finish(FetchResult::Failed, BASS_ERROR_FILEOPEN);
        return;
    }
    curl_easy_setopt(transfer.easy(), CURLOPT_FAILONERROR, 1L);
    bool sizeKnown = false;
    // Append waits while playback is behind (or paused): the transfer does not count that
    // wait as network silence.
    transfer.OnBody([&](const char* data, std::size_t size) {
        if (!sizeKnown) {
            sizeKnown = true;
            target_.SetExpectedSize(transfer.ContentLength());
        }
        target_.Append(data, size);
        return true;
    });
    if (transfer.Perform() == CURLE_OK) {
        target_.Finish(FetchResult::Complete, 0);
    } else if (transfer.TimedOut()) {
        target_.Finish(FetchResult::Failed, BASS_ERROR_TIMEOUT);
    } else {
        target_.Finish(FetchResult::Failed, BASS_ERROR_FILEOPEN);
    }
}

} // namespace veldo::audio
