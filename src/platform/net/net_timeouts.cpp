#include "platform/net/net_timeouts.h"

#include <atomic>

namespace veldo {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kDefaultTotalLimit{60000};
std::atomic<long long> connectMs{NetTimeouts{}.connect.count()};
std::atomic<long long> idleMs{NetTimeouts{}.idle.count()};
std::atomic<long long> totalLimitMs{kDefaultTotalLimit.count()};

} // namespace

NetTimeouts CurrentNetTimeouts() {
    return {milliseconds(connectMs.load()), milliseconds(idleMs.load())};
}

void SetNetTimeoutsForTesting(NetTimeouts timeouts) {
    connectMs.store(timeouts.connect.count());
    idleMs.store(timeouts.idle.count());
}

milliseconds CurrentNetTotalLimit() {
    return milliseconds(totalLimitMs.load());
}

void SetNetTotalLimitForTesting(milliseconds total) {
    totalLimitMs.store(total.count() > 0 ? total.count() : kDefaultTotalLimit.count());
}

} // namespace veldo
