#pragma once
// Turns the decoder's PCM (signed 16-bit, mono or stereo, at any MPEG rate) into the device
// format (44100 Hz, stereo, signed 16-bit). Other rates go through libsoxr, whose filter state
// carries over from one MP3 frame to the next, so a sound comes out as one continuous signal of
// exactly its length. Used by one thread at a time (the decoder thread).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct soxr;

namespace veldo::audio {

class DeviceConverter {
  public:
    // Receives converted device-format bytes; false stops the conversion (aborted).
    using Sink = std::function<bool(const uint8_t* data, size_t bytes)>;

    DeviceConverter();
    ~DeviceConverter();
    DeviceConverter(const DeviceConverter&) = delete;
    DeviceConverter& operator=(const DeviceConverter&) = delete;

    // Starts a new source format. A converter still open must be flushed first, or its tail
    // is lost. False for a format it cannot convert.
    bool Open(long rate, int channels);
    // Converts whole frames of interleaved source PCM and hands the result to `sink`.
    bool Put(const uint8_t* pcm, size_t bytes, const Sink& sink);
    // Hands out what the resampler still holds (the last ~1 ms of the signal) and closes it.
    bool Flush(const Sink& sink);

  private:
    bool Emit(const int16_t* frames, size_t count, const Sink& sink);
    void Close();

    soxr* resampler_ = nullptr; // null when the source is already at the device rate
    int channels_ = 0;
    std::vector<int16_t> resampled_; // source channels at the device rate
    std::vector<int16_t> stereo_;
};

} // namespace veldo::audio
