#pragma once
// Counts the samples of an MP3 file as its bytes arrive, parsing frame headers with libmpg123
// without decoding them. A file sent without a Content-Length and without a Xing/Info/VBRI
// header thus has an exact length once all of it has arrived, however far behind the decoder
// is. Used by one thread at a time (the fetch thread).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/audio/leading_tag_skipper.h"

struct mpg123_handle_struct;

namespace veldo::audio {

class FrameCounter {
  public:
    FrameCounter();
    ~FrameCounter();
    FrameCounter(const FrameCounter&) = delete;
    FrameCounter& operator=(const FrameCounter&) = delete;

    void Feed(const char* data, size_t length);
    // Samples per channel in the frames parsed so far, counted at the first frame's rate
    // (as the decoder counts them); 0 before the first frame.
    int64_t Frames() const { return frames_; }

  private:
    mpg123_handle_struct* handle_ = nullptr;
    LeadingTagSkipper skipper_; // a tag is dropped, not fed: libmpg123 would hold it whole
    std::string audio_;         // what the skipper passes on, reused
    long firstRate_ = 0;
    int64_t frames_ = 0;
};

} // namespace veldo::audio
