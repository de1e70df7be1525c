#pragma once
// Drops the ID3v2 tags at the start of an MP3 stream as its bytes pass, holding at most one
// tag header (10 bytes), however large a tag claims to be: libmpg123 would buffer a tag it is
// fed whole. Used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <string>

namespace veldo::audio {

class LeadingTagSkipper {
  public:
    // Appends to `out` what follows the leading tags of the bytes seen so far.
    void Pass(const char* data, size_t length, std::string& out);
    // True once the first byte after the leading tags has been passed on.
    bool Done() const { return done_; }
    uint64_t SkippedBytes() const { return skipped_; }

  private:
    std::string header_;    // the start of what may be a tag header
    uint64_t skipLeft_ = 0; // bytes of the current tag still to drop
    uint64_t skipped_ = 0;
    bool done_ = false;
};

} // namespace veldo::audio
