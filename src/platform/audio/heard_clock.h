#pragma once
/* Threads: one writer thread (the SDL audio thread) calls Record for every chunk it hands to the
 * device; it only stores relaxed atomics and publishes them with a release store of
 * `handedFrames_`, so it takes no lock and allocates nothing. Any other thread may call
 * HeardFrames and HeardSpectrum: they load `handedFrames_` (acquire) and then the history;
 * HeardSpectrum takes `spectrumMutex_` for the transform, whose buffers are shared. */
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "platform/audio/spectrum.h"

namespace veldo::audio {

// What a stream has handed to the device and when, from which the frames the listener has
// heard by now and their spectrum follow.
class HeardClock {
  public:
    // Writer thread: `frames` device frames of `pcm` went to the device at `nowNs`.
    void Record(const uint8_t* pcm, size_t frames, int64_t nowNs);

    // Device frames heard so far. While `playing`, the part of the last chunk that the device
    // is still playing out is not counted yet.
    uint64_t HeardFrames(bool playing) const;
    // 128 magnitudes of the last 256 frames heard.
    void HeardSpectrum(bool playing, float* out);

  private:
    std::atomic<uint64_t> handedFrames_{0}; // device frames given to SDL
    std::atomic<uint32_t> lastChunkFrames_{0};
    std::atomic<int64_t> lastChunkNs_{0};

    // Device frames (left and right packed) in the order they were handed to SDL.
    static constexpr size_t kHistoryFrames = 8192;
    std::array<std::atomic<uint32_t>, kHistoryFrames> history_{};

    std::mutex spectrumMutex_;
    Spectrum spectrum_;
};

} // namespace veldo::audio
