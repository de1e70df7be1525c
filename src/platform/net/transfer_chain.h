#pragma once
// What the transfers of one request share: the web request makes a new transfer for every 301
// it follows itself, and all of them together get one deadline, one budget of kMaxRedirects
// redirects (libcurl's and the routine's own), and the rule that once a request has gone over
// https none goes over plain http. A covers' fetch, a download or an engine stream is a chain
// of one transfer.
//
// Threads: a chain belongs to the thread that runs its transfers.
#include <chrono>
#include <optional>
#include <string_view>

namespace veldo {

// Redirects a chain follows at the most.
inline constexpr long kMaxRedirects = 10;

class TransferChain {
  public:
    TransferChain() = default; // no deadline
    explicit TransferChain(std::chrono::milliseconds totalLimit)
        : deadline_(std::chrono::steady_clock::now() + totalLimit) {}

    bool HasDeadline() const { return deadline_.has_value(); }
    // Time left before the deadline, never below zero; meaningful with a deadline only.
    std::chrono::milliseconds Remaining() const;

    long RedirectsLeft() const { return kMaxRedirects - redirects_; }
    // Counts `count` redirects a transfer followed.
    void CountRedirects(long count) { redirects_ += count; }
    // Takes one redirect from the budget for a redirect the caller follows itself; false, and
    // nothing taken, when none is left.
    bool TakeRedirect();

    // Whether a request for `url` may go out now: not plain http once https was used. Notes an
    // https address. Letter case of the scheme is ignored.
    bool Admits(std::string_view url);

  private:
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    long redirects_ = 0;
    bool wentSecure_ = false;
};

} // namespace veldo
