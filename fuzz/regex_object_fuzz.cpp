// The regular-expression object with both pattern and subject from the fuzzer: every reading
// operation must answer for every number, and the options must not matter to safety.
#include "text/regex_object.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool caseSensitive = input.ConsumeBool();
    const bool multiline = input.ConsumeBool();
    const bool global = input.ConsumeBool();
    const bool expand = input.ConsumeBool();
    const std::string pattern = input.ConsumeRandomLengthString(256);
    const std::string replacement = input.ConsumeRandomLengthString(64);
    const std::string subject = input.ConsumeRemainingBytesAsString();

    veldo::RegexObject regex;
    regex.Search(pattern, subject, caseSensitive, multiline, global, expand);
    const int count = regex.MatchCount();
    const int groups = regex.SubmatchCount();
    for (int i = 0; i <= count + 1 && i < 64; ++i) {
        int32_t position = 0;
        (void)regex.MatchText(i, &position);
        for (int k = 0; k <= groups + 1 && k < 16; ++k)
            (void)regex.SubmatchText(i, k, &position);
    }
    (void)regex.PatternText();
    (void)regex.ReplaceMatches(replacement);
    return 0;
}
