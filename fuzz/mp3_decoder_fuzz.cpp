// The engine's decoding path fed arbitrary bytes, in pieces of fuzzer-chosen sizes as a slow
// download would deliver them: the frame counter that sees the bytes as they arrive, the
// decoder, and the conversion of what it decodes to the device format.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "platform/audio/device_converter.h"
#include "platform/audio/frame_counter.h"
#include "platform/audio/mp3_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    veldo::audio::Mp3Decoder decoder;
    veldo::audio::FrameCounter counter;
    veldo::audio::DeviceConverter converter;
    std::vector<uint8_t> copy, converted;
    // Copying every byte makes a short buffer show up under AddressSanitizer.
    const veldo::audio::DeviceConverter::Sink sink = [&](const uint8_t* pcm, size_t bytes) {
        converted.assign(pcm, pcm + bytes);
        return true;
    };
    if (!decoder.Usable()) return 0;
    decoder.SetFileSize(input.ConsumeIntegralInRange<int64_t>(-1, 1 << 30));
    bool open = false;
    while (input.remaining_bytes() > 0) {
        const std::string piece = input.ConsumeRandomLengthString(4096);
        counter.Feed(piece.data(), piece.size());
        if (!decoder.Feed(piece.data(), piece.size())) break;
        const uint8_t* pcm = nullptr;
        size_t bytes = 0;
        for (int steps = 0; steps < 10000; ++steps) {
            const auto step = decoder.Next(pcm, bytes);
            if (step == veldo::audio::Mp3Decoder::Step::NeedMore ||
                step == veldo::audio::Mp3Decoder::Step::Error)
                break;
            if (step == veldo::audio::Mp3Decoder::Step::NewFormat) {
                const auto format = decoder.Format();
                if (open) converter.Flush(sink);
                open = converter.Open(format.rate, format.channels);
                continue;
            }
            copy.assign(pcm, pcm + bytes);
            if (open) converter.Put(pcm, bytes, sink);
        }
        (void)decoder.LengthEstimate();
        (void)counter.Frames();
    }
    if (open) converter.Flush(sink);
    return 0;
}
