#pragma once
/* Threads of one stream:
 * - its DecodePipeline runs the fetch and decoder threads (see decode_pipeline.h);
 * - the SDL audio thread calls Render, which reads the pipeline's ring, records the chunk in
 *   the HeardClock and moves the state between playing, stalled and stopped (compare-exchange,
 *   so a pause or stop by the caller is never overwritten); it takes no lock;
 * - the engine's callers (any thread, see bass.h; the program uses the UI thread) create,
 *   play, pause, stop, query and destroy it.
 * The state and the flags below are atomics. */
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/audio/decode_pipeline.h"
#include "platform/audio/device_format.h"
#include "platform/audio/heard_clock.h"

namespace veldo::audio {

// The values of BASS_ACTIVE_*.
enum class ChannelState : int { Stopped = 0, Playing = 1, Stalled = 2, Paused = 3 };

// One channel: a sound being downloaded and decoded, and where its playback stands.
class Stream {
  public:
    Stream(std::string url, FetchLimits limits);
    // Aborts the download and the decoder and joins both threads.
    ~Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Blocks until the format is known and the first half second is decoded (or the whole
    // sound, if shorter), at most `limit`. False when nothing playable came in time; then
    // Error() says why.
    bool WaitUntilReady(std::chrono::milliseconds limit) { return pipeline_.WaitUntilReady(limit); }
    int Error() const { return pipeline_.Error(); }

    // Callers' threads.
    void Play();
    bool Pause();
    void Stop();
    ChannelState State() const { return ChannelState(state_.load()); }
    bool StoppedOrEnded() const;
    // -1 while unknown: no Xing/Info/VBRI header, no Content-Length, and the file has not
    // arrived whole yet.
    int64_t LengthBytes() const;
    int64_t PositionBytes() const;
    // The compressed file: bytes fetched so far and the length announced (-1: none). Fewer
    // fetched than announced once the sound has ended means the rest could not be had.
    int64_t FetchedBytes() const { return pipeline_.FetchedBytes(); }
    int64_t AnnouncedBytes() const { return pipeline_.AnnouncedBytes(); }
    double BytesToSeconds(int64_t bytes) const;
    int SourceFrameBytes() const { return pipeline_.SourceChannels() * 2; }
    // 128 magnitudes of the 256 frames heard now: zeros while nothing plays (not started,
    // stalled, ended or stopped); a paused channel keeps the window it paused on.
    void HeardSpectrum(float* out);

    // SDL audio thread: copies up to `bytes` of device-format PCM into `target`, returns how
    // many bytes it copied (the rest is the caller's silence).
    size_t Render(uint8_t* target, size_t bytes, int64_t nowNs);

  private:
    // Counted in LiveStreamCount from before the pipeline's threads start until they are joined.
    struct LiveCount {
        LiveCount();
        ~LiveCount();
    };

    LiveCount live_; // first: made before the pipeline, gone after it
    DecodePipeline pipeline_;
    HeardClock clock_;

    std::atomic<int> state_{int(ChannelState::Stopped)};
    std::atomic<bool> stopRequested_{false}; // stopped by the caller, not by the end
    std::atomic<bool> ended_{false};         // every frame has been handed to the device
};

} // namespace veldo::audio
