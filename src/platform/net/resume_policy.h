#pragma once
// When a body that broke off is fetched again from where it stopped, and when that stops. A
// try that brought new bytes is followed by the next at once; tries that bring nothing wait
// growing pauses between them; a body gives up after `fruitlessTries` of those in a row, or
// after `giveUpWithoutByte` with no new byte. A transfer slower than `lowSpeedBytesPerSecond`
// for `lowSpeedTime` counts as stalled (ended, to be resumed). Generic: any fetcher that
// resumes (a download, an audio stream) can follow it.
//
// Threads: the policy values are read by any thread that starts a body and set by tests (under
// a lock inside). A RetryPacer belongs to the thread that runs the tries.
#include <chrono>
#include <cstdint>
#include <optional>

namespace veldo {

struct ResumePolicy {
    std::chrono::milliseconds firstPause{500}; // doubled after every further fruitless try
    int fruitlessTries = 5;
    std::chrono::milliseconds giveUpWithoutByte{30000};
    long lowSpeedBytesPerSecond = 1000;
    std::chrono::seconds lowSpeedTime{30};
};

ResumePolicy CurrentResumePolicy();
// For tests only: shorter pauses and limits, for bodies started afterwards. A default-made
// policy restores the defaults.
void SetResumePolicyForTesting(const ResumePolicy& policy);

// Counts the tries of one body and says how long to wait before the next one.
class RetryPacer {
  public:
    explicit RetryPacer(ResumePolicy policy = CurrentResumePolicy());

    // After a try that ended early, with the body's furthest byte count so far: the pause
    // before the next try (zero when this one brought new bytes), or nullopt: give up.
    std::optional<std::chrono::milliseconds> AfterTry(std::int64_t furthestBytes);

  private:
    ResumePolicy policy_;
    std::int64_t furthest_ = 0;
    int fruitless_ = 0;
    std::chrono::steady_clock::time_point lastNewByte_ = std::chrono::steady_clock::now();
};

} // namespace veldo
