#pragma once
// The runtime's own URL-to-bytes service: covers and downloads. Plain GET over http or https
// (nothing else is ever fetched, redirects included), certificates verified, at most 10
// redirects, the connect and idle limits of net_timeouts.h (FetchUrlBytes, which the window waits
// for, also its whole-exchange limit). A fetch counts only when the whole
// body arrived with a 2xx status. Blocks the calling thread; any thread may call.
#include <cstddef>
#include <filesystem>

#include "text/text_types.h"

namespace veldo {

// True when `url` starts with "http://" or "https://" (letter case ignored).
bool IsHttpUrl(std::string_view url);

// The whole body of `url`; empty on any failure or when the body would exceed `maxBytes`.
ByteArray FetchUrlBytes(const Text& url, std::size_t maxBytes = std::size_t{64} << 20);

// Streams the body of `url` into `file` (created or truncated). True only when the whole body
// was written; on false the file may hold a part of it and is the caller's to remove.
bool FetchUrlToFile(const Text& url, const std::filesystem::path& file);

} // namespace veldo
