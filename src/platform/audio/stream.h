#pragma once
/* Threads of one stream:
 * - the fetch thread (UrlFetcher) appends the compressed file to `compressed_`; for a file of
 *   unknown size it also counts its frames as they arrive (`arrivalCounter_`, fetch thread
 *   only) and publishes the count in the atomic `arrivedFrames_`;
 * - the decoder thread decodes it with libmpg123, converts it to the device format with a
 *   DeviceConverter and writes it into the lock-free ring `ring_`; it sleeps on `wake_` while
 *   the ring is full and on the CompressedBuffer while it waits for bytes;
 * - the SDL audio thread calls Render, which only reads the ring, writes the heard-history
 *   (relaxed atomics), updates atomic counters and the state, and notifies `wake_` (without
 *   its mutex) once the ring is half empty and the decoder waits;
 * - the caller's thread (the UI) creates, plays, pauses, stops, queries and destroys it.
 * The source format is written once by the decoder before `ready_` is signalled under
 * `readyMutex_`, and only read after that. Every other shared value is an atomic. */
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio/compressed_buffer.h"
#include "platform/audio/frame_counter.h"
#include "platform/audio/spectrum.h"
#include "platform/audio/spsc_ring.h"
#include "platform/audio/url_fetcher.h"

namespace veldo::audio {

inline constexpr int kDeviceRate = 44100;
inline constexpr int kDeviceChannels = 2;
inline constexpr int kDeviceFrameBytes = 4; // stereo, 16-bit

// The values of BASS_ACTIVE_*.
enum class ChannelState : int { Stopped = 0, Playing = 1, Stalled = 2, Paused = 3 };

class Stream {
  public:
    Stream(std::string url, FetchLimits limits);
    // Aborts the download and the decoder and joins both threads.
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Blocks until the format is known and the first half second is decoded (or the whole
    // sound, if shorter), at most `limit`. False when nothing playable came in time; then
    // Error() says why.
    bool WaitUntilReady(std::chrono::milliseconds limit);
    int Error() const { return error_; }

    // Caller's thread.
    void Play();
    bool Pause();
    void Stop();
    ChannelState State() const { return ChannelState(state_.load()); }
    bool StoppedOrEnded() const;
    // -1 while unknown: no Xing/Info/VBRI header, no Content-Length, and the file has not
    // arrived whole yet.
    int64_t LengthBytes() const;
    int64_t PositionBytes() const;
    double BytesToSeconds(int64_t bytes) const;
    int SourceFrameBytes() const { return sourceChannels_ * 2; }
    // 128 magnitudes of the 256 frames heard now: zeros while nothing plays (not started,
    // stalled, ended or stopped); a paused channel keeps the window it paused on.
    void HeardSpectrum(float* out);

    // SDL audio thread: copies up to `bytes` of device-format PCM into `target`, returns how
    // many bytes it copied (the rest is the caller's silence).
    size_t Render(uint8_t* target, size_t bytes, int64_t nowNs);

  private:
    void DecodeLoop();
    void CountArrival(const char* data, size_t length);
    bool PushDeviceBytes(const uint8_t* data, size_t length);
    void SignalReady(bool ok, int error);
    uint64_t HeardDeviceFrames() const;

    // Fixed once ready.
    long sourceRate_ = 0;
    int sourceChannels_ = 0;

    CompressedBuffer compressed_;
    std::unique_ptr<FrameCounter> arrivalCounter_; // fetch thread only, made on first use
    std::atomic<int64_t> arrivedFrames_{-1};       // source frames counted on arrival
    SpscRing ring_;
    std::unique_ptr<UrlFetcher> fetcher_;
    std::thread decoder_;

    std::mutex readyMutex_;
    std::condition_variable readyChanged_;
    bool readyKnown_ = false;
    bool readyOk_ = false;
    int error_ = 0;

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    std::atomic<bool> abort_{false};
    std::atomic<bool> decoderWaiting_{false}; // set while the decoder waits for room

    std::atomic<int> state_{int(ChannelState::Stopped)};
    std::atomic<bool> stopRequested_{false}; // stopped by the caller, not by the end
    std::atomic<bool> decodeDone_{false};    // every frame is in the ring
    std::atomic<bool> ended_{false};         // every frame has been handed to the device
    std::atomic<int64_t> decodedFrames_{0};  // source frames
    std::atomic<int64_t> lengthFrames_{
        -1}; // source frames, estimate until decodeDone_; -1: unknown
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
