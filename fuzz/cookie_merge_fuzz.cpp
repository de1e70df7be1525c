// Cookie merging under arbitrary cookie texts: the merged text has no spaces and is what the
// in/out argument holds afterwards.
#include "web/cookie_merge.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string cookies = input.ConsumeRandomLengthString(4096);
    std::string returned = input.ConsumeRemainingBytesAsString();
    const std::string merged = veldo::MergeCookies(cookies, returned);
    if (merged != cookies) std::abort();
    if (merged.find(' ') != std::string::npos || returned.find(' ') != std::string::npos)
        std::abort();
    return 0;
}
