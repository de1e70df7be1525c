#include "platform/net/transfer_chain.h"

#include "platform/net/url_scheme.h"

namespace veldo {
std::chrono::milliseconds TransferChain::Remaining() const {
    using namespace std::chrono;
    if (!deadline_) return milliseconds::zero();
    const auto left = duration_cast<milliseconds>(*deadline_ - steady_clock::now());
    return left > milliseconds::zero() ? left : milliseconds::zero();
}

bool TransferChain::TakeRedirect() {
    if (RedirectsLeft() <= 0) return false;
    ++redirects_;
    return true;
}

bool TransferChain::Admits(std::string_view url) {
    if (IsHttpsUrl(url)) {
        wentSecure_ = true;
        return true;
    }
    return !wentSecure_;
}

} // namespace veldo
