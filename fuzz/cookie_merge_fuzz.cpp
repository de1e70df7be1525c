// Cookie merging under arbitrary cookie texts: the merged text is what the in/out argument
// holds afterwards, and its only spaces are those of the "; " separators.
#include "web/cookie_merge.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string cookies = input.ConsumeRandomLengthString(4096);
    std::string returned = input.ConsumeRemainingBytesAsString();
    const std::string merged = veldo::MergeCookies(cookies, returned);
    if (merged != cookies) std::abort();
    if (returned.find(' ') != std::string::npos) std::abort();
    for (size_t i = merged.find(' '); i != std::string::npos; i = merged.find(' ', i + 1))
        if (i == 0 || merged[i - 1] != ';') std::abort();
    return 0;
}
