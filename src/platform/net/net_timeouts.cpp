#include "platform/net/net_timeouts.h"

#include <atomic>

namespace veldo {
namespace {

std::atomic<long> connectMs{NetTimeouts{}.connectMs};
std::atomic<long> idleSeconds{NetTimeouts{}.idleSeconds};

} // namespace

NetTimeouts CurrentNetTimeouts() {
    return {connectMs.load(), idleSeconds.load()};
}

void SetNetTimeoutsForTesting(NetTimeouts timeouts) {
    connectMs.store(timeouts.connectMs);
    idleSeconds.store(timeouts.idleSeconds);
}

} // namespace veldo
