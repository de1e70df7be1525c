#pragma once
// Counters of the engine's live objects, for tests and benchmarks that check nothing leaks.
#include <cstddef>

namespace veldo::audio {

// Streams constructed and not yet destroyed (each holds two threads while it lives).
size_t LiveStreamCount();

} // namespace veldo::audio
