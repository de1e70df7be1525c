#pragma once
// The spectrum on 画板1: one green bar a bin with a peak cap above it; bars fall 3 pixels a
// tick, caps 1. UI thread.
#include <array>

namespace veldo {

inline constexpr int kSpectrumBins = 128; // FFT bins drawn at most
inline constexpr int kBarPitch = 5;       // pixels from one bar's left edge to the next
inline constexpr int kBarWidth = 4;       // pixels, also the cap's width

// Drawn height of each bar and height of its cap, in pixels, kept from tick to tick for the
// whole run (pause, reset and a new sound leave them alone). 0 at start-up.
extern std::array<float, kSpectrumBins> barLevel;
extern std::array<float, kSpectrumBins> peakLevel;

// One step of a bar's levels for a new bar height `height` on a panel `panelHeight` high.
void UpdateBarLevels(float& bar, float& peak, int height, int panelHeight);

// Tick of 时钟2 (every 50 ms while a sound plays): clears 画板1 and draws the FFT of
// currentStream, reading the panel's width and height anew. No FFT data leaves it clear.
// Once nothing sounds and the bars have fallen (or no data will come), it stops 时钟2.
void DrawSpectrum();

} // namespace veldo
