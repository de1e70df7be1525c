#include "pcm_analysis.h"

#include "file_bytes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>

namespace veldo::testing {

std::vector<int16_t> ReadPcmFile(const std::filesystem::path& path) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            int16_t(uint16_t(uint8_t(bytes[2 * i])) | uint16_t(uint8_t(bytes[2 * i + 1])) << 8);
    return samples;
}

std::pair<int64_t, int64_t> AudibleSpan(const std::vector<int16_t>& interleaved, int channels,
                                        int threshold) {
    const auto mono = AudibleLeftChannel(interleaved, channels, threshold);
    if (mono.empty()) return {0, -1};
    const size_t frames = interleaved.size() / size_t(channels);
    int64_t first = 0;
    while (first < int64_t(frames) && std::abs(int(interleaved[first * channels])) <= threshold)
        ++first;
    return {first, first + int64_t(mono.size()) - 1};
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

namespace {

// In-place radix-2 transform; the size is a power of two.
void Fft(std::vector<std::complex<double>>& x) {
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / double(length));
        for (size_t start = 0; start < n; start += length) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                const auto odd = w * x[start + k + length / 2];
                x[start + k + length / 2] = x[start + k] - odd;
                x[start + k] += odd;
            }
        }
    }
}

// Upward zero crossings between `first` and `last`, each placed by linear interpolation.
double InterpolatedCrossingFrequency(const std::vector<double>& mono, size_t first, size_t last,
                                     int sampleRate) {
    double firstAt = -1, lastAt = -1;
    long crossings = 0;
    for (size_t i = first + 1; i < last; ++i) {
        if (mono[i - 1] < 0 && mono[i] >= 0) {
            const double at = double(i - 1) + -mono[i - 1] / (mono[i] - mono[i - 1]);
            if (firstAt < 0) firstAt = at;
            lastAt = at;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return double(crossings - 1) * sampleRate / (lastAt - firstAt);
}

} // namespace

ToneMeasure MeasureTone(const std::vector<int16_t>& mono, int sampleRate, size_t skip) {
    return MeasureTone(std::vector<double>(mono.begin(), mono.end()), sampleRate, skip);
}

ToneMeasure MeasureTone(const std::vector<double>& mono, int sampleRate, size_t skip) {
    constexpr size_t kSize = size_t(1) << 16;
    constexpr int kLobe = 16;
    ToneMeasure measure;
    if (mono.size() < kSize + 2 * skip) return measure;
    measure.frequency = InterpolatedCrossingFrequency(mono, skip, mono.size() - skip, sampleRate);

    const size_t start = (mono.size() - kSize) / 2;
    const double beta = 20, norm = std::cyl_bessel_i(0.0, beta);
    std::vector<std::complex<double>> x(kSize);
    for (size_t n = 0; n < kSize; ++n) {
        const double r = 2.0 * double(n) / double(kSize - 1) - 1.0;
        x[n] = mono[start + n] * std::cyl_bessel_i(0.0, beta * std::sqrt(1 - r * r)) / norm;
    }
    Fft(x);
    std::vector<double> magnitude(kSize / 2);
    for (size_t k = 0; k < kSize / 2; ++k)
        magnitude[k] = std::abs(x[k]);
    const size_t peak =
        size_t(std::max_element(magnitude.begin(), magnitude.end()) - magnitude.begin());
    double spurious = 0;
    for (size_t k = 0; k < kSize / 2; ++k)
        if (k + kLobe < peak || k > peak + kLobe) spurious = std::max(spurious, magnitude[k]);
    measure.spuriousDb = 20 * std::log10(std::max(spurious, 1e-300) / magnitude[peak]);
    return measure;
}

} // namespace veldo::testing
