#pragma once
// The runtime's own URL-to-bytes service: covers and downloads. A plain GET by the rules of
// http_transfer.h (http and https only, redirects included; certificates verified; the
// program's agent; the connect and idle limits; FetchUrlBytes, which the window waits for, also
// the whole-exchange deadline). A fetch counts only when the whole body arrived with a 2xx
// status. Blocks the calling thread; any thread may call.
#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/net/url_scheme.h"

namespace veldo {

// The whole body of `url`; empty on any failure or when the body would exceed `maxBytes`.
std::string FetchUrlBytes(const std::string& url, std::size_t maxBytes = std::size_t{64} << 20);

// Streams the body of `url` into `file` (created or truncated). True only when the whole body
// was written; on false the file may hold a part of it and is the caller's to remove.
bool FetchUrlToFile(const std::string& url, const std::filesystem::path& file);

} // namespace veldo
