#pragma once
// Time limits of every HTTP exchange: give up when no connection is made within `connect`, or
// when no byte moves either way for `idle` once the exchange has started (time a caller spends
// with the bytes it was given does not count). Exchanges that block the window (web requests,
// with every 301 they follow themselves, and covers; not downloads or the engine's streams)
// also end at a whole-exchange deadline, so that a server trickling a byte now and then cannot
// hold the window for ever.
//
// Threads: read by every thread that opens a request, set by tests; every value is an atomic.
#include <chrono>

namespace veldo {

struct NetTimeouts {
    std::chrono::milliseconds connect{10000};
    std::chrono::milliseconds idle{30000};
};

// The limits that new requests use (the engine's streams unless BASS_SetConfig changed them).
NetTimeouts CurrentNetTimeouts();

// For tests only: shorter limits so that a silent server does not hold the suite for half a
// minute. Takes effect for requests opened afterwards; any thread.
void SetNetTimeoutsForTesting(NetTimeouts timeouts);

// The whole-exchange limit of requests that block the window (default 60 s).
std::chrono::milliseconds CurrentNetTotalLimit();
// For tests only, like SetNetTimeoutsForTesting; zero restores the default.
void SetNetTotalLimitForTesting(std::chrono::milliseconds total);

} // namespace veldo
