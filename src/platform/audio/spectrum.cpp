#include "platform/audio/spectrum.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

namespace veldo::audio {

Spectrum::Spectrum() : config_(kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr)) {
    // Periodic Hann window; its sum is kFftSize / 2.
    for (int n = 0; n < kFftSize; ++n)
        window_[n] = float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / kFftSize));
}

Spectrum::~Spectrum() {
    kiss_fftr_free(config_);
}

void Spectrum::Magnitudes(const std::array<float, kFftSize>& samples, float* out) {
    std::array<kiss_fft_scalar, kFftSize> windowed;
    for (int n = 0; n < kFftSize; ++n)
        windowed[n] = samples[n] * window_[n];
    std::array<kiss_fft_cpx, kFftSize / 2 + 1> bins;
    kiss_fftr(config_, windowed.data(), bins.data());
    // 2 |X[k]| / sum(w) = 4 |X[k]| / N.
    constexpr float scale = 4.0f / kFftSize;
    for (int k = 0; k < kFftSize / 2; ++k)
        out[k] = scale * std::hypot(bins[k].r, bins[k].i);
}

} // namespace veldo::audio
