// Threads: see heard_clock.h.
#include "platform/audio/heard_clock.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/audio/device_format.h"

namespace veldo::audio {

namespace {

int64_t NowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

void HeardClock::Record(const uint8_t* pcm, size_t frames, int64_t nowNs) {
    const uint64_t firstFrame = handedFrames_.load(std::memory_order_relaxed);
    for (size_t i = 0; i < frames; ++i) {
        uint32_t frame;
        std::memcpy(&frame, pcm + i * kDeviceFrameBytes, sizeof frame);
        history_[(firstFrame + i) % kHistoryFrames].store(frame, std::memory_order_relaxed);
    }
    lastChunkFrames_.store(uint32_t(frames), std::memory_order_relaxed);
    lastChunkNs_.store(nowNs, std::memory_order_relaxed);
    handedFrames_.store(firstFrame + frames, std::memory_order_release);
}

// What was handed to SDL minus the part of the last chunk that is still being played out.
uint64_t HeardClock::HeardFrames(bool playing) const {
    const uint64_t handed = handedFrames_.load(std::memory_order_acquire);
    if (!playing) return handed;
    const int64_t elapsedNs = NowNs() - lastChunkNs_.load(std::memory_order_relaxed);
    const uint64_t played = uint64_t(std::max<int64_t>(0, elapsedNs) * kDeviceRate / 1000000000);
    const uint64_t pending = lastChunkFrames_.load(std::memory_order_relaxed);
    const uint64_t unheard = played >= pending ? 0 : pending - played;
    return handed >= unheard ? handed - unheard : 0;
}

void HeardClock::HeardSpectrum(bool playing, float* out) {
    const uint64_t heard = HeardFrames(playing);
    std::array<float, kFftSize> mono{};
    for (int i = 0; i < kFftSize; ++i) {
        const int64_t index = int64_t(heard) - kFftSize + i;
        if (index < 0) continue;
        const uint32_t frame =
            history_[uint64_t(index) % kHistoryFrames].load(std::memory_order_relaxed);
        int16_t left, right;
        std::memcpy(&left, &frame, 2);
        std::memcpy(&right, reinterpret_cast<const uint8_t*>(&frame) + 2, 2);
        mono[i] = (float(left) + float(right)) / 65536.0f;
    }
    std::lock_guard lock(spectrumMutex_);
    spectrum_.Magnitudes(mono, out);
}

} // namespace veldo::audio
