#include "platform/net/net_timeouts.h"

#include <atomic>

namespace veldo {
namespace {

std::atomic<long> connectMs{NetTimeouts{}.connectMs};
std::atomic<long> idleSeconds{NetTimeouts{}.idleSeconds};
constexpr long kDefaultTotalLimitMs = 60000;
std::atomic<long> totalLimitMs{kDefaultTotalLimitMs};

} // namespace

NetTimeouts CurrentNetTimeouts() {
    return {connectMs.load(), idleSeconds.load()};
}

void SetNetTimeoutsForTesting(NetTimeouts timeouts) {
    connectMs.store(timeouts.connectMs);
    idleSeconds.store(timeouts.idleSeconds);
}

long CurrentNetTotalLimitMs() {
    return totalLimitMs.load();
}

void SetNetTotalLimitForTesting(long totalMs) {
    totalLimitMs.store(totalMs > 0 ? totalMs : kDefaultTotalLimitMs);
}

} // namespace veldo
