#include "pcm_analysis.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace veldo::testing {

std::vector<int16_t> ReadPcmFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            int16_t(uint16_t(uint8_t(bytes[2 * i])) | uint16_t(uint8_t(bytes[2 * i + 1])) << 8);
    return samples;
}

std::vector<int16_t> AudibleLeftChannel(const std::vector<int16_t>& interleaved, int channels,
                                        int threshold) {
    const size_t frames = interleaved.size() / size_t(channels);
    size_t first = frames, last = 0;
    for (size_t i = 0; i < frames; ++i) {
        if (std::abs(int(interleaved[i * channels])) > threshold) {
            if (first == frames) first = i;
            last = i;
        }
    }
    std::vector<int16_t> mono;
    for (size_t i = first; i <= last && i < frames; ++i)
        mono.push_back(interleaved[i * channels]);
    return mono;
}

double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int sampleRate) {
    long firstCrossing = -1, lastCrossing = -1, crossings = 0;
    for (size_t i = 1; i < mono.size(); ++i) {
        if (mono[i - 1] < 0 && mono[i] >= 0) {
            if (firstCrossing < 0) firstCrossing = long(i);
            lastCrossing = long(i);
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return double(crossings - 1) * sampleRate / double(lastCrossing - firstCrossing);
}

} // namespace veldo::testing
