#include "web/web_request.h"

#include "platform/net/internet_handles.h"
#include "platform/net/net_timeouts.h"
#include "platform/net/wire_safety.h"
#include "text/gbk_search.h"
#include "web/charset.h"
#include "web/cookie_merge.h"
#include "web/header_value.h"
#include "web/response_headers.h"
#include "web/url_split.h"

namespace veldo {

namespace {

constexpr std::size_t kReadChunkBytes = 1024;
constexpr std::size_t kResponseHeaderBufferBytes = 5000;

// The value of the caller's first User-Agent line (its name in any letter case), up to the
// CR LF that ends it or the end of the block. A last line gives its own value, never what
// follows the block's first colon, which would span every line before it.
Text AgentFor(const Text& extraHeaders) {
    const size_t at = FindGbk(extraHeaders, "User-Agent:", 0, true);
    if (at == Text::npos) return kDefaultUserAgent;
    const std::string_view line = std::string_view(extraHeaders).substr(at);
    return HeaderValue(line.substr(0, line.find("\r\n")));
}

void CompleteHeaderBlock(Text& block, const Text& url, const Text* cookies) {
    if (!ContainsGbk(block, "Referer:")) {
        if (block.empty())
            block = "Referer: " + url;
        else
            block += "\r\nReferer: " + url;
    }
    if (!ContainsGbk(block, "Accept:")) block += "\r\nAccept: */*";
    if (!ContainsGbk(block, "Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
    if (!ContainsGbk(block, "Content-Type:"))
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (cookies && !cookies->empty()) block += "\r\nCookie: " + *cookies;
}

// Storage for the in/out and out arguments the caller omitted.
struct OmittedArguments {
    Text returnedCookies, extraHeaders, redirectAddress, responseHeaders;
    ByteArray postBytes;
};

// One exchange of the request's chain: the chain's deadline and redirect budget cover the 301s
// the routine follows itself as well as those libcurl follows.
ByteArray Exchange(const Text& url, const WebRequestOptions& options, TransferChain& chain) {
    // The address goes into the Referer line and the cookies into the Cookie line: a line
    // break in either would put a header line of its own on the wire.
    if (!IsWireSafe(url) || (options.cookies && !IsWireSafe(*options.cookies))) return {};
    OmittedArguments local;
    Text& extraHeaders = options.extraHeaders ? *options.extraHeaders : local.extraHeaders;
    Text& returnedCookies =
        options.returnedCookies ? *options.returnedCookies : local.returnedCookies;
    Text& redirectAddress =
        options.redirectAddress ? *options.redirectAddress : local.redirectAddress;
    Text& responseHeaders =
        options.responseHeaders ? *options.responseHeaders : local.responseHeaders;
    ByteArray& postBytes = options.postBytes ? *options.postBytes : local.postBytes;

    const char* verb = options.method == kPostMethod ? "POST" : "GET";
    auto session = InternetOpen(AgentFor(extraHeaders), options.proxy);
    if (!session) return {};
    auto connection = InternetConnect(*session, UrlHost(url), UrlPort(url));
    if (!connection) return {};
    unsigned flags = 0;
    if (options.cookies) flags |= kRequestNoCookies;
    if (options.noAutoRedirect) flags |= kRequestNoAutoRedirect;
    if (AsciiLower(url.substr(0, 5)) == "https") flags |= kRequestSecure;
    auto request = HttpOpenRequest(*connection, verb, UrlPath(url), flags, chain);
    if (!request) return {};

    CompleteHeaderBlock(extraHeaders, url, options.cookies);
    if (options.method == kGetMethod) {
        request->Send(extraHeaders, nullptr);
    } else {
        if (postBytes.empty()) postBytes = options.postText;
        request->Send(extraHeaders, &postBytes);
    }

    ByteArray body;
    char buffer[kReadChunkBytes];
    bool tooLarge = false;
    while (std::size_t count = request->Read(buffer, sizeof buffer)) {
        // Closing the request below ends the transfer: the rest is never read.
        tooLarge = body.size() + count > options.maxBodyBytes;
        if (tooLarge) break;
        body.append(buffer, count);
    }
    if (tooLarge || request->Abandoned()) body.clear();
    request->QueryRawHeaders(responseHeaders, kResponseHeaderBufferBytes);
    request.reset();
    connection.reset();
    session.reset();

    ReadResponseHeaders(responseHeaders, returnedCookies, redirectAddress);
    if (options.cookies) MergeCookies(*options.cookies, returnedCookies);

    if (IsPermanentMove(responseHeaders) && chain.TakeRedirect()) {
        const Text movedTo = redirectAddress + UrlPath(url);
        redirectAddress.clear();
        return Exchange(movedTo, options, chain);
    }
    if (IsUtf8Body(body, responseHeaders)) body = Utf8ToGbk(body);
    return body;
}

} // namespace

ByteArray WebRequest(const Text& url, const WebRequestOptions& options) {
    TransferChain chain(CurrentNetTotalLimit());
    return Exchange(url, options, chain);
}

} // namespace veldo
