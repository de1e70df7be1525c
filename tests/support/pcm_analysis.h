#pragma once
// Reading what SDL's disk audio driver wrote (raw interleaved 16-bit PCM) and measuring it.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace veldo::testing {

std::vector<int16_t> ReadPcmFile(const std::filesystem::path& path);

// The left channel of interleaved frames, without the silence before the first and after the
// last sample louder than `threshold`.
std::vector<int16_t> AudibleLeftChannel(const std::vector<int16_t>& interleaved, int channels,
                                        int threshold = 500);

// The frequency of a steady tone by counting upward zero crossings; 0 for fewer than two.
double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int sampleRate);

} // namespace veldo::testing
