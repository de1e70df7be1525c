// The MP3 check of a download under arbitrary bodies: it reads only inside the body, never
// more than a frame header at a time after the first bytes, and agrees with its own pieces.
#include "site/mp3_signature.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const bool mp3 = veldo::LooksLikeMp3(size, [&](std::uint64_t offset, std::size_t count) {
        if (offset > size || count > 10) std::abort();
        return std::string(body.substr(offset, count));
    });
    if (size > 0) {
        // Neither a tag nor a frame at the start: never an MP3.
        if (mp3 && !veldo::Id3v2TagLength(body) && !veldo::MpegFrameLength(body)) std::abort();
        if (const auto frame = veldo::MpegFrameLength(body); frame && *frame < 21) std::abort();
    }
    return 0;
}
