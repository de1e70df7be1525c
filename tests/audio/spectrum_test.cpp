#include "platform/audio/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace veldo::audio {
namespace {

std::array<float, kFftSize> Sine(double cyclesPerWindow, double amplitude) {
    std::array<float, kFftSize> samples{};
    for (int n = 0; n < kFftSize; ++n)
        samples[n] =
            float(amplitude * std::sin(2 * std::numbers::pi * cyclesPerWindow * n / kFftSize));
    return samples;
}

struct BinCase {
    int bin;
    double amplitude;
};

class SpectrumBinTest : public ::testing::TestWithParam<BinCase> {};

// A sine centred on bin k reads its amplitude in bin k, and bins far from it stay near zero.
TEST_P(SpectrumBinTest, ReadsTheAmplitudeOfASineCentredOnABin) {
    const auto [bin, amplitude] = GetParam();
    Spectrum spectrum;
    float out[kFftSize / 2];
    spectrum.Magnitudes(Sine(bin, amplitude), out);
    EXPECT_NEAR(out[bin], amplitude, 0.01 * amplitude);
    for (int k = 0; k < kFftSize / 2; ++k) {
        if (std::abs(k - bin) > 1) {
            EXPECT_LT(out[k], 0.01) << "bin " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bins, SpectrumBinTest,
                         ::testing::Values(BinCase{3, 1.0}, BinCase{10, 1.0}, BinCase{64, 0.5},
                                           BinCase{120, 0.25}),
                         [](const auto& info) { return "bin" + std::to_string(info.param.bin); });

TEST(SpectrumTest, SilenceGivesZeros) {
    Spectrum spectrum;
    float out[kFftSize / 2];
    spectrum.Magnitudes({}, out);
    for (float value : out)
        EXPECT_EQ(value, 0.0f);
}

} // namespace
} // namespace veldo::audio
