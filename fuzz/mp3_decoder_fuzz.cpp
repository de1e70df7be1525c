// The engine's decoding path fed arbitrary bytes, in pieces of fuzzer-chosen sizes as a slow
// download would deliver them.
#include "platform/audio/mp3_decoder.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    veldo::audio::Mp3Decoder decoder;
    std::vector<uint8_t> copy;
    if (!decoder.Usable()) return 0;
    decoder.SetFileSize(input.ConsumeIntegralInRange<int64_t>(-1, 1 << 30));
    while (input.remaining_bytes() > 0) {
        const std::string piece = input.ConsumeRandomLengthString(4096);
        if (!decoder.Feed(piece.data(), piece.size())) break;
        const uint8_t* pcm = nullptr;
        size_t bytes = 0;
        for (int steps = 0; steps < 10000; ++steps) {
            const auto step = decoder.Next(pcm, bytes);
            if (step == veldo::audio::Mp3Decoder::Step::NeedMore ||
                step == veldo::audio::Mp3Decoder::Step::Error)
                break;
            // Copying every decoded byte makes a short buffer show up under AddressSanitizer.
            copy.assign(pcm, pcm + bytes);
        }
        (void)decoder.Format();
        (void)decoder.LengthEstimate();
    }
    return 0;
}
