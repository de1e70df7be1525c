#pragma once
// Time limits of every HTTP exchange: give up when no connection is made within `connectMs`,
// or when no byte arrives for `idleSeconds` once connected.
//
// Threads: read by every thread that opens a request, set by tests; both values are atomics.
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

} // namespace veldo
