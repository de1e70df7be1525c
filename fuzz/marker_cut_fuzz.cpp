// Marker cutting and the GBK search under arbitrary texts and markers: every result must be a
// piece of the text it was cut from.
#include "text/marker_cut.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string left = input.ConsumeRandomLengthString(64);
    const std::string right = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::string between = veldo::TextBetween(text, left, right);
    if (between.size() > text.size()) std::abort();
    const std::string before = veldo::TextLeftOf(text, left);
    if (text.compare(0, before.size(), before) != 0) std::abort();
    const std::string after = veldo::TextRightOfLast(text, right);
    if (after.size() > text.size() || text.compare(text.size() - after.size(), after.size(), after))
        std::abort();
    return 0;
}
