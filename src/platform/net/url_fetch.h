#pragma once
// The runtime's own URL-to-bytes service: covers and downloads. A plain GET by the rules of
// http_transfer.h (http and https only, redirects included; certificates verified; the
// program's agent; the connect and idle limits; FetchUrlBytes, which the window waits for, also
// the whole-exchange deadline; FetchUrlToFile resumes instead). A fetch counts only when the whole body arrived with a 2xx
// status. Blocks the calling thread; any thread may call.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/net/url_scheme.h"

namespace veldo {

inline constexpr std::size_t kDefaultMaxFetchBytes = std::size_t{64} << 20;

// The whole body of `url`; empty on any failure or when the body would exceed `maxBytes`.
std::string FetchUrlBytes(const std::string& url, std::size_t maxBytes = kDefaultMaxFetchBytes);

// A body without an announced length is cut off at this many bytes: the download fails.
inline constexpr std::uint64_t kUnannouncedBodyCap = std::uint64_t{1} << 30;
// For tests only: a lower cap for fetches started afterwards; 0 restores kUnannouncedBodyCap.
void SetUnannouncedBodyCapForTesting(std::uint64_t bytes);

// Streams the body of `url` into `file` (created or truncated), resuming by the rules of
// resume_policy.h when the connection breaks off or stalls: `Range: bytes=N-` from the file's
// length, with If-Range (content_range.h) when the first answer gave a validator; a 206 counts
// only when its Content-Range starts at N, and a 200 to a range request starts the file over.
// Ends at once, false, on an HTTP error status, a length announced beyond the free space of
// `file`'s file system, a body without an announced length beyond the cap, or a failed write.
// True only when the file holds the whole body: exactly the announced length, or a body that
// ended cleanly where none was announced. On false the file may hold a part of it and is the
// caller's to remove. Sleeps between tries; no deadline of its own.
bool FetchUrlToFile(const std::string& url, const std::filesystem::path& file);

} // namespace veldo
