#pragma once
// Reading what SDL's disk audio driver wrote (raw interleaved 16-bit PCM) and measuring it.
#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

namespace veldo::testing {

std::vector<int16_t> ReadPcmFile(const std::filesystem::path& path);

// The first and the last frame whose left sample is louder than `threshold` (0 and -1 when
// none is).
std::pair<int64_t, int64_t> AudibleSpan(const std::vector<int16_t>& interleaved, int channels,
                                        int threshold = 500);

// The left channel of interleaved frames, without the silence before the first and after the
// last sample louder than `threshold`.
std::vector<int16_t> AudibleLeftChannel(const std::vector<int16_t>& interleaved, int channels,
                                        int threshold = 500);

// The frequency of a steady tone by counting upward zero crossings; 0 for fewer than two.
double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int sampleRate);

// Pitch and purity of a steady sine.
struct ToneMeasure {
    double frequency = 0;  // Hz, from zero crossings placed between samples: ppm-precise
    double spuriousDb = 0; // the loudest spectral line other than the tone, in dB against it
};

// Measures the middle of `mono`, which needs at least 2^16 samples beyond `skip` at each end
// (start-up and end transients left out). A Kaiser window (beta 20, side lobes far below
// -150 dB) over 2^16 samples; lines within 16 bins of the tone count as the tone.
ToneMeasure MeasureTone(const std::vector<int16_t>& mono, int sampleRate, size_t skip);
// The same for samples of any scale and precision (a resampler's float output).
ToneMeasure MeasureTone(const std::vector<double>& mono, int sampleRate, size_t skip);

} // namespace veldo::testing
