#include "web/web_request.h"

#include "platform/net/internet_handles.h"
#include "text/gbk_search.h"
#include "text/marker_cut.h"
#include "web/charset.h"
#include "web/cookie_merge.h"
#include "web/header_value.h"
#include "web/response_headers.h"
#include "web/url_split.h"

namespace veldo {

const char kDefaultUserAgent[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; ZOMRA; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";

namespace {

constexpr std::size_t kReadChunkBytes = 1024;
constexpr std::size_t kResponseHeaderBufferBytes = 5000;
// How many 301 answers the routine follows itself before it keeps the last one.
constexpr int kMaxFollowedMoves = 10;

Text AgentFor(const Text& extraHeaders) {
    if (!ContainsGbk(extraHeaders, "User-Agent:", true)) return kDefaultUserAgent;
    Text agent = TrimSpaces(TextBetween(extraHeaders, "User-Agent:", "\r\n"));
    if (agent.empty()) agent = HeaderValue(extraHeaders);
    return agent;
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

ByteArray Exchange(const Text& url, const WebRequestOptions& options, int movesLeft) {
    OmittedArguments local;
    Text& extraHeaders = options.extraHeaders ? *options.extraHeaders : local.extraHeaders;
    Text& returnedCookies =
        options.returnedCookies ? *options.returnedCookies : local.returnedCookies;
    Text& redirectAddress =
        options.redirectAddress ? *options.redirectAddress : local.redirectAddress;
    Text& responseHeaders =
        options.responseHeaders ? *options.responseHeaders : local.responseHeaders;
    ByteArray& postBytes = options.postBytes ? *options.postBytes : local.postBytes;

    const char* verb = options.method == 1 ? "POST" : "GET";
    auto session = InternetOpen(AgentFor(extraHeaders), options.proxy);
    auto connection = InternetConnect(*session, UrlHost(url), UrlPort(url));
    if (!connection) return {};
    unsigned flags = 0;
    if (options.cookies) flags |= kRequestNoCookies;
    if (options.noAutoRedirect) flags |= kRequestNoAutoRedirect;
    if (AsciiLower(url.substr(0, 5)) == "https") flags |= kRequestSecure;
    auto request = HttpOpenRequest(*connection, verb, UrlPath(url), flags);
    if (!request) return {};

    CompleteHeaderBlock(extraHeaders, url, options.cookies);
    if (options.method == 0) {
        request->Send(extraHeaders, nullptr);
    } else {
        if (postBytes.empty()) postBytes = options.postText;
        request->Send(extraHeaders, &postBytes);
    }

    ByteArray body;
    char buffer[kReadChunkBytes];
    while (std::size_t count = request->Read(buffer, sizeof buffer))
        body.append(buffer, count);
    if (request->Abandoned()) body.clear();
    request->QueryRawHeaders(responseHeaders, kResponseHeaderBufferBytes);
    request.reset();
    connection.reset();
    session.reset();

    ReadResponseHeaders(responseHeaders, returnedCookies, redirectAddress);
    if (options.cookies) MergeCookies(*options.cookies, returnedCookies);

    if (IsPermanentMove(responseHeaders) && movesLeft > 0) {
        const Text movedTo = redirectAddress + UrlPath(url);
        redirectAddress.clear();
        return Exchange(movedTo, options, movesLeft - 1);
    }
    if (IsUtf8Body(body, responseHeaders)) body = Utf8ToGbk(body);
    return body;
}

} // namespace

ByteArray WebRequest(const Text& url, const WebRequestOptions& options) {
    return Exchange(url, options, kMaxFollowedMoves);
}

} // namespace veldo
