#pragma once
// Magnitude spectrum of 256 mono samples with KissFFT's real transform and a Hann window.
// One object is used by one thread at a time.
#include <array>

struct kiss_fftr_state;

namespace veldo::audio {

inline constexpr int kFftSize = 256;

class Spectrum {
  public:
    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // `samples` are in -1..1; writes kFftSize / 2 magnitudes, scaled so that a full-scale sine
    // centred on a bin reads 1.0 in that bin.
    void Magnitudes(const std::array<float, kFftSize>& samples, float* out);

  private:
    kiss_fftr_state* config_ = nullptr;
    std::array<float, kFftSize> window_{};
};

} // namespace veldo::audio
