// Threads: see url_fetcher.h.
#include "platform/audio/url_fetcher.h"

#include <algorithm>

#include "platform/audio/bass.h"
#include "platform/net/content_range.h"
#include "platform/net/http_transfer.h"

namespace veldo::audio {

UrlFetcher::UrlFetcher(std::string url, FetchLimits limits, CompressedBuffer& target)
    : url_(std::move(url)), limits_(limits), pacer_(CurrentResumePolicy()), target_(target) {
    thread_ = std::thread([this] { Run(); });
}

UrlFetcher::~UrlFetcher() {
    Abort();
    if (thread_.joinable()) thread_.join();
}

void UrlFetcher::Abort() {
    {
        std::lock_guard lock(pauseMutex_);
        abort_.store(true);
    }
    pauseEnd_.notify_all();
}

bool UrlFetcher::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(pauseMutex_);
    return !pauseEnd_.wait_for(lock, duration, [this] { return abort_.load(); });
}

void UrlFetcher::Run() {
    for (bool resuming = false;; resuming = true) {
        const TryEnd end = Try(resuming);
        if (end == TryEnd::Complete) {
            target_.Finish(FetchResult::Complete, 0);
            return;
        }
        const int error = end == TryEnd::TimedOut ? BASS_ERROR_TIMEOUT : BASS_ERROR_FILEOPEN;
        // Only a length that was announced tells that something is missing; a refused
        // resumption (another version of the file, a wrong range) will not get better.
        if (abort_.load() || total_ < 0 || end == TryEnd::Refused) {
            target_.Finish(FetchResult::Failed, error);
            return;
        }
        const auto pause = pacer_.AfterTry(have_);
        if (!pause || (pause->count() > 0 && !Pause(*pause))) {
            target_.Finish(FetchResult::Failed, error);
            return;
        }
    }
}

UrlFetcher::TryEnd UrlFetcher::Try(bool resuming) {
    TransferSettings settings;
    settings.limits = {std::chrono::milliseconds(limits_.connectTimeoutMs),
                       std::chrono::milliseconds(limits_.stallTimeoutMs)};
    settings.cancel = &abort_;
    HttpTransfer transfer(url_, std::move(settings));
    if (!transfer.Opened()) return TryEnd::Refused;
    curl_easy_setopt(transfer.easy(), CURLOPT_FAILONERROR, 1L);
    const std::string range = std::to_string(have_) + "-";
    curl_slist* headers = nullptr;
    if (resuming) {
        curl_easy_setopt(transfer.easy(), CURLOPT_RANGE, range.c_str());
        // A server whose file changed since then sends the new one whole (200), not a piece.
        if (!validator_.empty())
            headers = curl_slist_append(headers, ("If-Range: " + validator_).c_str());
        curl_easy_setopt(transfer.easy(), CURLOPT_HTTPHEADER, headers);
    }
    AnswerHeaders answer;
    transfer.OnHeader([&](std::string_view line) { answer.Take(line); });
    bool checked = false, refused = false;
    int64_t skip = 0; // bytes of a whole answer to a range request that we already have
    // Append waits while playback is behind (or paused): the transfer does not count that
    // wait as network silence.
    transfer.OnBody([&](const char* data, std::size_t size) {
        if (!checked) {
            checked = true;
            const long status = transfer.Status();
            if (!resuming) {
                total_ = transfer.ContentLength();
                validator_ = IfRangeValidator(answer);
                target_.SetExpectedSize(total_);
            } else if (status == 206) {
                const auto range = ParseContentRange(answer.Value("Content-Range"));
                refused = !range || range->first != have_ ||
                          (range->total >= 0 && range->total != total_);
            } else {
                // The whole file again: read from the start, but only the same version of it.
                refused = status != 200 || transfer.ContentLength() != total_ ||
                          IfRangeValidator(answer) != validator_;
                skip = have_;
            }
            if (refused) return false;
        }
        const size_t skipped = size_t(std::min<int64_t>(skip, int64_t(size)));
        skip -= int64_t(skipped);
        if (skipped < size) {
            target_.Append(data + skipped, size - skipped);
            have_ += int64_t(size - skipped);
        }
        return true;
    });
    const CURLcode result = transfer.Perform();
    curl_slist_free_all(headers);
    if (refused) return TryEnd::Refused;
    if (total_ >= 0 ? have_ >= total_ : result == CURLE_OK) return TryEnd::Complete;
    return transfer.TimedOut() ? TryEnd::TimedOut : TryEnd::Cut;
}

} // namespace veldo::audio
