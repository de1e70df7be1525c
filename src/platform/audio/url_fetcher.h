#pragma once
/* Threads: the constructor starts one fetch thread that runs the HTTP transfers (the first and
 * any resumption) and appends what arrives to the CompressedBuffer. The owner's thread may call
 * Abort at any time: an atomic flag that the transfer's progress and body callbacks read, and a
 * condition variable that ends a pause between two tries at once. The destructor aborts and
 * joins the thread. The resumption policy (platform/net/resume_policy.h) is read once by each
 * new fetcher. */
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio/compressed_buffer.h"
#include "platform/net/net_timeouts.h"
#include "platform/net/resume_policy.h"

namespace veldo::audio {

// The engine's limits (BASS_CONFIG_NET_TIMEOUT and BASS_CONFIG_NET_READTIMEOUT), in
// milliseconds; by default those of every other exchange (net_timeouts.h).
struct FetchLimits {
    long connectTimeoutMs = long(NetTimeouts{}.connect.count());
    long stallTimeoutMs = long(NetTimeouts{}.idle.count()); // no byte for this long ends a try
};

// Downloads one http or https URL progressively into a CompressedBuffer, by the rules every
// exchange of the program follows (platform/net/http_transfer.h): the program's User-Agent,
// at most 10 redirects and never from https to plain http, certificates verified. A file whose
// length was announced is resumed where it stopped, paced as every resumed body is
// (ResumePolicy), and never spliced from another version of it.
class UrlFetcher {
  public:
    UrlFetcher(std::string url, FetchLimits limits, CompressedBuffer& target);
    ~UrlFetcher();
    UrlFetcher(const UrlFetcher&) = delete;
    UrlFetcher& operator=(const UrlFetcher&) = delete;

    void Abort();

  private:
    enum class TryEnd { Complete, Cut, TimedOut, Refused };
    void Run();
    TryEnd Try(bool resuming);
    bool Pause(std::chrono::milliseconds duration); // false when aborted

    std::string url_;
    FetchLimits limits_;
    RetryPacer pacer_; // fetch thread only
    CompressedBuffer& target_;
    std::atomic<bool> abort_{false};
    std::mutex pauseMutex_;
    std::condition_variable pauseEnd_;
    // Fetch thread only.
    int64_t have_ = 0;      // bytes of the file handed to target_
    int64_t total_ = -1;    // the length the first answer announced; -1 when it gave none
    std::string validator_; // the first answer's ETag or Last-Modified
    std::thread thread_;    // last: started once everything above exists
};

} // namespace veldo::audio
