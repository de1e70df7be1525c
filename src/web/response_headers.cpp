#include "web/response_headers.h"

#include "text/gbk_search.h"
#include "text/marker_cut.h"
#include "web/header_value.h"

namespace veldo {

namespace {
// A UTF-8 mark in the body counts when it starts at one of these first bytes.
constexpr std::size_t kUtf8MarkWindow = 499;
} // namespace

void ReadResponseHeaders(const Text& responseHeaders, Text& returnedCookies,
                         Text& redirectAddress) {
    returnedCookies.clear();
    redirectAddress.clear();
    for (const std::string& line : SplitGbk(responseHeaders, "\r\n")) {
        if (ContainsGbk(line, "Location:")) redirectAddress = HeaderValue(line);
        if (ContainsGbk(line, "Set-Cookie"))
            returnedCookies += TrimSpaces(TextBetween(line, "Set-Cookie:", ";")) + "; ";
    }
    if (returnedCookies.size() >= 2) returnedCookies.resize(returnedCookies.size() - 2);
    if (redirectAddress.empty()) redirectAddress = responseHeaders;
}

bool IsPermanentMove(const Text& responseHeaders) {
    return TextBetween(responseHeaders, "HTTP/1.1 ", " Moved") == "301";
}

bool IsUtf8Body(const ByteArray& body, const Text& responseHeaders) {
    const std::size_t mark = body.find("utf-8");
    if (mark != std::string::npos && mark < kUtf8MarkWindow) return true;
    return AsciiLower(responseHeaders).find("utf-8") != std::string::npos;
}

} // namespace veldo
