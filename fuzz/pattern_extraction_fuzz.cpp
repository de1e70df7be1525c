// Extraction of every text between two markers, with markers and subject from the fuzzer.
#include "text/pattern_extraction.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string left = input.ConsumeRandomLengthString(64);
    const std::string right = input.ConsumeRandomLengthString(64);
    const int maxLength = input.ConsumeIntegralInRange(-1, 64);
    const std::string subject = input.ConsumeRemainingBytesAsString();
    veldo::TextList list{"left over"};
    const int count = veldo::AllTextsBetween(subject, left, right, list, maxLength);
    if (count != static_cast<int>(list.size())) std::abort();
    return 0;
}
