#pragma once
// libmpg123 in feed mode: compressed bytes go in, 16-bit interleaved PCM frames come out.
// Used by one thread at a time.
#include <cstddef>
#include <cstdint>

struct mpg123_handle_struct;

namespace veldo::audio {

struct PcmFormat {
    long rate = 0;
    int channels = 0;
};

class Mp3Decoder {
  public:
    enum class Step { Audio, NewFormat, NeedMore, Error };

    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    bool Usable() const { return handle_ != nullptr; }
    // The compressed size lets libmpg123 estimate the length of files without a LAME tag.
    void SetFileSize(int64_t bytes);
    bool Feed(const void* data, size_t length);
    // Decodes one frame. On Audio, `pcm` and `bytes` point into the decoder's own buffer,
    // valid until the next call.
    Step Next(const uint8_t*& pcm, size_t& bytes);
    PcmFormat Format() const;
    // Total frames (samples per channel) as libmpg123 estimates them; -1 when unknown.
    int64_t LengthEstimate() const;

  private:
    mpg123_handle_struct* handle_ = nullptr;
};

} // namespace veldo::audio
