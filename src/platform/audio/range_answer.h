#pragma once
// What a stream's fetcher needs from the headers of one HTTP answer to resume it safely: the
// validators that name the file's version and where a partial answer starts. Used by one thread.
#include <cstdint>
#include <string>
#include <string_view>

namespace veldo::audio {

struct RangeAnswer {
    std::string etag;
    std::string lastModified;
    int64_t rangeStart = -1; // from Content-Range: bytes START-END/TOTAL; -1 without one
    int64_t rangeTotal = -1; // TOTAL; -1 when absent or "*"

    // Takes one header line (its line break included); a status line starts a new answer
    // (a redirect's or an interim one's headers are forgotten).
    void Take(std::string_view line);
    // What If-Range sends to name this version: the ETag, else Last-Modified; empty for none.
    std::string Validator() const { return etag.empty() ? lastModified : etag; }
};

} // namespace veldo::audio
