#pragma once
#include "platform/net/internet_handles.h"
#include "text/text_types.h"

#include <cstddef>

namespace veldo {

// A plain GET of `url` with the site's fixed headers; the body as GBK text (converted when it
// is UTF-8), ending at its first zero byte; empty on any failure, and when the body would pass
// `maxBodyBytes` (the transfer then ends there). Blocks the calling thread.
Text WebGetText(const Text& url, std::size_t maxBodyBytes = kMaxResponseBodyBytes);

} // namespace veldo
