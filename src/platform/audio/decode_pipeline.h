#pragma once
/* Threads:
 * - the fetch thread (UrlFetcher) appends the compressed file to `compressed_`; for a file of
 *   unknown size it also counts its frames as they arrive (`arrivalCounter_`, fetch thread
 *   only) and publishes the count in the atomic `arrivedFrames_`;
 * - the decoder thread decodes it with libmpg123, converts it to the device format with a
 *   DeviceConverter and writes it into the lock-free ring `ring_`; it sleeps on the atomic
 *   `roomSignals_` while the ring is full and on the CompressedBuffer while it waits for bytes;
 * - one reader thread (the SDL audio thread) calls Read, which takes no lock and allocates
 *   nothing: it bumps `roomSignals_` and notifies it once the ring is half empty and the
 *   decoder waits;
 * - the owner's thread constructs, waits for the prebuffer, queries and destroys it.
 * The source format is written once by the decoder before `ready_` is signalled under
 * `readyMutex_`, and only read after that. Every other shared value is an atomic. */
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
#include "platform/audio/spsc_ring.h"
#include "platform/audio/url_fetcher.h"

namespace veldo::audio {

// Downloads one MP3 file and decodes it into a ring of device-format PCM, ahead of playback.
class DecodePipeline {
  public:
    DecodePipeline(std::string url, FetchLimits limits);
    // Aborts the download and the decoder and joins both threads.
    ~DecodePipeline();
    DecodePipeline(const DecodePipeline&) = delete;
    DecodePipeline& operator=(const DecodePipeline&) = delete;

    // Blocks until the format is known and the first half second is decoded (or the whole
    // sound, if shorter), at most `limit`. False when nothing playable came in time; then
    // Error() says why.
    bool WaitUntilReady(std::chrono::milliseconds limit);
    int Error() const { return error_; }

    // Only once ready.
    long SourceRate() const { return sourceRate_; }
    int SourceChannels() const { return sourceChannels_; }

    // Source frames, estimated until DecodeDone; -1 while unknown: no Xing/Info/VBRI header,
    // no Content-Length, and the file has not arrived whole yet.
    int64_t LengthFrames() const;
    int64_t DecodedFrames() const { return decodedFrames_.load(); } // source frames
    bool DecodeDone() const { return decodeDone_.load(); }          // every frame is in the ring
    size_t Readable() const { return ring_.Readable(); }
    // Bytes of the file fetched so far, and the length its server announced (-1: none).
    int64_t FetchedBytes() const { return int64_t(compressed_.Size()); }
    int64_t AnnouncedBytes() const { return compressed_.ExpectedSize(); }

    // Reader thread: copies up to `bytes` of device-format PCM into `target` and returns how
    // many it copied.
    size_t Read(uint8_t* target, size_t bytes);

  private:
    void DecodeLoop();
    void CountArrival(const char* data, size_t length);
    bool PushDeviceBytes(const uint8_t* data, size_t length);
    void SignalReady(bool ok, int error);

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

    // Bumped to wake the decoder: a wait on its value misses no bump made after it was read,
    // so the decoder sleeps without a time-out (a paused sound wakes nothing).
    std::atomic<uint32_t> roomSignals_{0};
    std::atomic<bool> abort_{false};
    std::atomic<bool> decoderWaiting_{false}; // set while the decoder waits for room

    std::atomic<bool> decodeDone_{false};
    std::atomic<int64_t> decodedFrames_{0};
    std::atomic<int64_t> lengthFrames_{-1}; // estimate until decodeDone_; -1: unknown
};

} // namespace veldo::audio
