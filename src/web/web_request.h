#pragma once
// One complete HTTP exchange with the site's fixed headers, cookies, redirects and UTF-8
// conversion, by the rules of platform/net/http_transfer.h. Blocks the calling thread; keeps no
// state between calls except the run's shared in-memory cookie store, which only requests
// without their own `cookies` use.
#include "platform/net/internet_handles.h"
#include "platform/net/user_agent.h"
#include "text/text_types.h"

#include <optional>

namespace veldo {

// Values of WebRequestOptions::method. Any other non-zero value sends a body with GET, as
// kGetWithBodyMethod does.
enum WebMethod : int { kGetMethod = 0, kPostMethod = 1, kGetWithBodyMethod = 2 };

// The optional arguments of WebRequest. Pointers name the caller's own variables (in/out or
// out); a null pointer means the argument is omitted: an omitted input counts as empty and an
// omitted result is computed and dropped. `cookies` and `proxy` tell "given" from "omitted":
// a given empty text is given.
struct WebRequestOptions {
    int method = kGetMethod; // a WebMethod; every method but kGetMethod sends a body
    Text postText;           // the body as text, used when a body is sent and postBytes is empty
    Text* cookies = nullptr; // in/out: sent as the Cookie line; receives the merge
    Text* returnedCookies = nullptr; // out: name=value pairs the response set, joined by "; "
    Text* extraHeaders = nullptr;    // in/out: the caller's lines, completed with the defaults
    Text* redirectAddress = nullptr; // out: the Location value, else the whole header text
    bool noAutoRedirect = false;     // true: redirects are reported, not followed
    ByteArray* postBytes = nullptr;  // in/out: the body as bytes; filled from postText if empty
    std::optional<Text> proxy;       // "server[:port]" for plain http requests
    Text* responseHeaders = nullptr; // out: status line and header lines, each ended by CR LF
    // The largest body taken, in bytes as they arrive (before any conversion); a longer body
    // ends the transfer at once and counts as no answer.
    std::size_t maxBodyBytes = kMaxResponseBodyBytes;
};

// Fetches `url` ("http://", "https://" or no scheme; host, optional port, path) with the agent
// of extraHeaders, else kDefaultUserAgent. Returns the body, converted to GBK when it is UTF-8;
// empty when nothing could be read, when the server stayed silent past the time limits, when
// the whole request (the 301s it follows included) outlasted its 60 s, when the body is larger
// than options.maxBodyBytes (at most 64 MiB), when a redirect led from https to plain http, or when
// the address, the cookies or the agent hold a CR, LF or NUL (nothing is sent then, and no argument
// changes).
ByteArray WebRequest(const Text& url, const WebRequestOptions& options = {});

} // namespace veldo
