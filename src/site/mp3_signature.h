#pragma once
// Whether a downloaded body is an MP3 at all, judged by its first bytes: an ID3v2 tag followed
// by an MPEG audio frame header, or a frame header followed by a second one exactly where the
// first one's length says. An HTML page, an empty body or random bytes fail. Pure functions;
// any thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace veldo {

// The length in bytes of the MPEG audio frame whose header starts `bytes` (at least 4 bytes);
// nullopt when they are no valid header (no sync, a reserved version, layer, rate or bitrate,
// or the free-format bitrate, whose frames have no length in their header).
std::optional<std::uint32_t> MpegFrameLength(std::string_view bytes);

// The whole length of the ID3v2 tag that starts `head` (its first 10 bytes suffice): header,
// body and footer; nullopt when `head` starts with no valid ID3v2 header.
std::optional<std::uint64_t> Id3v2TagLength(std::string_view head);

// Reads up to `count` bytes at `offset` of the body (fewer at its end).
using BodyReader = std::function<std::string(std::uint64_t offset, std::size_t count)>;

// The check above on a body of `size` bytes, read through `read` a few bytes at a time (never
// the tag as a whole). A tag that leaves no room for a frame header after it cannot be checked
// further and passes; a single frame that is the whole body passes too.
bool LooksLikeMp3(std::uint64_t size, const BodyReader& read);

// LooksLikeMp3 on the file at `path`; false when it cannot be read.
bool FileLooksLikeMp3(const std::string& path);

} // namespace veldo
