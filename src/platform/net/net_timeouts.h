#pragma once
// Time limits of every HTTP exchange: give up when no connection is made within `connectMs`,
// or when no byte arrives for `idleSeconds` once connected. Exchanges that block the window
// (web requests and covers, not downloads) also end after a whole-exchange limit, so that a
// server trickling a byte now and then cannot hold the window for ever.
//
// Threads: read by every thread that opens a request, set by tests; every value is an atomic.
namespace veldo {

struct NetTimeouts {
    long connectMs = 10000;
    long idleSeconds = 30;
};

// The limits that new requests use.
NetTimeouts CurrentNetTimeouts();

// For tests only: shorter limits so that a silent server does not hold the suite for half a
// minute. Takes effect for requests opened afterwards; any thread.
void SetNetTimeoutsForTesting(NetTimeouts timeouts);

// The whole-exchange limit of requests that block the window, in milliseconds (default 60 s).
long CurrentNetTotalLimitMs();
// For tests only, like SetNetTimeoutsForTesting; 0 restores the default.
void SetNetTotalLimitForTesting(long totalMs);

} // namespace veldo
