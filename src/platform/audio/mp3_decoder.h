#pragma once
// libmpg123 in feed mode: compressed bytes go in, 16-bit interleaved PCM frames come out.
// Used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/audio/leading_tag_skipper.h"

struct mpg123_handle_struct;

namespace veldo::audio {

// libmpg123's process-wide set-up (needed before 1.27, harmless after); safe from any thread.
void EnsureMpg123Initialised();

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
    // Leading ID3v2 tags are dropped here, never fed: libmpg123 would hold them whole.
    bool Feed(const void* data, size_t length);
    // Decodes one frame. On Audio, `pcm` and `bytes` point into the decoder's own buffer,
    // valid until the next call.
    Step Next(const uint8_t*& pcm, size_t& bytes);
    PcmFormat Format() const;
    // Total frames (samples per channel) from the file's Xing/Info/VBRI header, else estimated
    // from the file size; -1 when neither is known.
    int64_t LengthEstimate();

  private:
    mpg123_handle_struct* handle_ = nullptr;
    LeadingTagSkipper skipper_;
    std::string audio_;     // what Feed passes on, reused
    int64_t fileSize_ = -1; // handed to libmpg123, less the tags, once they have passed
    bool sizeGiven_ = false;
    bool lengthKnown_ = false; // a header or the file size gave the length
};

} // namespace veldo::audio
