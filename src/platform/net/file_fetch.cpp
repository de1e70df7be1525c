/* FetchUrlToFile (url_fetch.h): one body into one file, over as many tries as resume_policy.h
 * allows.
 *
 * Threads: runs entirely on the calling thread (the download's worker), sleeping there between
 * tries; only the test cap is shared, an atomic. */
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include "platform/net/content_range.h"
#include "platform/net/http_transfer.h"
#include "platform/net/resume_policy.h"
#include "platform/net/url_fetch.h"

namespace veldo {
namespace {

std::atomic<std::uint64_t> unannouncedBodyCap{kUnannouncedBodyCap};

// Failures of a try that another try may mend: the link broke, stalled or was never made.
bool Retryable(const HttpTransfer& transfer, CURLcode result) {
    if (transfer.TimedOut()) return true;
    switch (result) {
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_OPERATION_TIMEDOUT:
        return true;
    default:
        return false;
    }
}

class ResumingFetch {
  public:
    enum class TryEnd { Complete, Broken, Failed };

    ResumingFetch(std::string url, std::filesystem::path file, std::FILE* out)
        : url_(std::move(url)), file_(std::move(file)), out_(out), cap_(unannouncedBodyCap.load()) {
    }

    bool Run() {
        RetryPacer pacer(policy_);
        std::int64_t furthest = 0;
        for (;;) {
            const TryEnd end = Try();
            if (end != TryEnd::Broken) return end == TryEnd::Complete;
            furthest = std::max(furthest, written_);
            const auto pause = pacer.AfterTry(furthest);
            if (!pause) return false;
            std::this_thread::sleep_for(*pause);
        }
    }

  private:
    TryEnd Try() {
        TransferSettings settings;
        settings.lowSpeedBytesPerSecond = policy_.lowSpeedBytesPerSecond;
        settings.lowSpeedTime = policy_.lowSpeedTime;
        HttpTransfer transfer(url_, settings);
        if (!transfer.Opened()) return TryEnd::Failed;
        const std::int64_t from = written_;
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> extra(nullptr,
                                                                          &curl_slist_free_all);
        if (from > 0) {
            curl_easy_setopt(transfer.easy(), CURLOPT_RANGE, (std::to_string(from) + "-").c_str());
            if (!validator_.empty()) {
                extra.reset(curl_slist_append(nullptr, ("If-Range: " + validator_).c_str()));
                curl_easy_setopt(transfer.easy(), CURLOPT_HTTPHEADER, extra.get());
            }
        }
        AnswerHeaders headers;
        transfer.OnHeader([&](std::string_view line) { headers.Take(line); });
        bool accepted = false;
        transfer.OnBody([&](const char* data, std::size_t size) {
            if (!accepted && !(accepted = Accept(transfer, headers, from))) return false;
            return Write(data, size);
        });
        const CURLcode result = transfer.Perform();
        const long status = transfer.Status();
        if (failed_ || (status != 0 && (status < 200 || status >= 300))) return TryEnd::Failed;
        if (result == CURLE_OK) {
            if (from > 0 && !accepted) return TryEnd::Broken; // an empty answer to a range
            if (total_ < 0 || written_ == total_) return TryEnd::Complete;
            return TryEnd::Broken;
        }
        return Retryable(transfer, result) ? TryEnd::Broken : TryEnd::Failed;
    }

    // Decides on a try's answer when its first body bytes arrive: where they belong, and
    // whether the body may be taken at all.
    bool Accept(const HttpTransfer& transfer, const AnswerHeaders& headers, std::int64_t from) {
        const long status = transfer.Status();
        if (from > 0 && status == 206) {
            const auto range = ParseContentRange(headers.Value("Content-Range"));
            if (!range || range->first != from) return Fail();
            if (total_ >= 0 && range->total >= 0 && range->total != total_) return Fail();
            if (total_ < 0) total_ = range->total;
            return Fits();
        }
        if (status < 200 || status >= 300 || status == 206) return Fail();
        if (from > 0) {
            // The server ignored the range (or the body changed): start the file over.
            std::error_code error;
            if (std::fflush(out_) != 0 || std::fseek(out_, 0, SEEK_SET) != 0) return Fail();
            std::filesystem::resize_file(file_, 0, error);
            if (error) return Fail();
            written_ = 0;
        }
        total_ = transfer.ContentLength();
        validator_ = IfRangeValidator(headers);
        return Fits();
    }

    // Whether what is still to come fits into the free space of the file's file system.
    bool Fits() {
        if (total_ < 0) return true;
        std::error_code error;
        const auto space =
            std::filesystem::space(file_.parent_path().empty() ? "." : file_.parent_path(), error);
        if (error) return true; // unknown: the writes will tell
        return static_cast<std::uint64_t>(total_ - written_) <= space.available || Fail();
    }

    bool Write(const char* data, std::size_t size) {
        const auto after = static_cast<std::uint64_t>(written_) + size;
        if (total_ < 0 ? after > cap_ : after > static_cast<std::uint64_t>(total_)) return Fail();
        if (std::fwrite(data, 1, size, out_) != size) return Fail();
        written_ += static_cast<std::int64_t>(size);
        return true;
    }

    bool Fail() {
        failed_ = true;
        return false;
    }

    const std::string url_;
    const std::filesystem::path file_;
    std::FILE* const out_;
    const std::uint64_t cap_;
    const ResumePolicy policy_ = CurrentResumePolicy();
    std::int64_t written_ = 0; // bytes of the body in the file
    std::int64_t total_ = -1;  // the body's announced whole length; -1 when unknown
    std::string validator_;    // the If-Range value of the first answer
    bool failed_ = false;      // no further try can mend it
};

} // namespace

void SetUnannouncedBodyCapForTesting(std::uint64_t bytes) {
    unannouncedBodyCap.store(bytes > 0 ? bytes : kUnannouncedBodyCap);
}

bool FetchUrlToFile(const std::string& url, const std::filesystem::path& file) {
    if (!HttpTransfer(url).Opened()) return false; // a refused address makes no file
    std::unique_ptr<std::FILE, decltype(&std::fclose)> out(std::fopen(file.c_str(), "wb"),
                                                           &std::fclose);
    if (!out) return false;
    const bool fetched = ResumingFetch(url, file, out.get()).Run();
    // Data still buffered must reach the disk too; a full disk shows here.
    const bool flushed = std::fflush(out.get()) == 0 && !std::ferror(out.get());
    return fetched && flushed && std::fclose(out.release()) == 0;
}

} // namespace veldo
