#pragma once
#include "text/text_types.h"

namespace veldo {

// A plain GET of `url` with the site's fixed headers; the body as GBK text (converted when it
// is UTF-8), ending at its first zero byte; empty on any failure. Blocks the calling thread.
Text WebGetText(const Text& url);

} // namespace veldo
