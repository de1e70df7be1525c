// What the request routine does with a response once the network has delivered it, with the
// raw headers, the body and the caller's cookies taken from the fuzzer: header reading, cookie
// merging, the permanent-move decision with the next address, and the UTF-8 conversion.
#include "web/charset.h"
#include "web/cookie_merge.h"
#include "web/response_headers.h"
#include "web/url_split.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string url = input.ConsumeRandomLengthString(256);
    std::string cookies = input.ConsumeRandomLengthString(256);
    const std::string headers = input.ConsumeRandomLengthString(8192);
    const std::string body = input.ConsumeRemainingBytesAsString();

    std::string returnedCookies, redirectAddress;
    veldo::ReadResponseHeaders(headers, returnedCookies, redirectAddress);
    if (redirectAddress.size() > headers.size()) std::abort();
    veldo::MergeCookies(cookies, returnedCookies);
    if (veldo::IsPermanentMove(headers)) {
        const std::string movedTo = redirectAddress + veldo::UrlPath(url);
        (void)veldo::UrlHost(movedTo);
        (void)veldo::UrlPort(movedTo);
        (void)veldo::UrlPath(movedTo);
    }
    if (veldo::IsUtf8Body(body, headers)) (void)veldo::Utf8ToGbk(body);
    return 0;
}
