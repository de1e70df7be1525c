#pragma once
// What the request routine reads out of a response: the redirect address, the cookies it set,
// whether it is a permanent move to follow, and whether its body is UTF-8.
#include "text/text_types.h"

namespace veldo {

// Fills `redirectAddress` with the last "Location:" value and `returnedCookies` with the first
// name=value pair of every "Set-Cookie" line, joined by "; " (header names in this letter case
// only). Without a Location line, `redirectAddress` becomes the whole header text.
void ReadResponseHeaders(const Text& responseHeaders, Text& returnedCookies, Text& redirectAddress);

// True for an "HTTP/1.1 301 Moved ..." status line, the only answer the routine follows itself.
bool IsPermanentMove(const Text& responseHeaders);

// True when "utf-8" starts within the body's first 499 bytes, or the headers name it in any case.
bool IsUtf8Body(const ByteArray& body, const Text& responseHeaders);

} // namespace veldo
