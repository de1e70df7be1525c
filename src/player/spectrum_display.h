#pragma once
// The spectrum on 画板1: one green bar a bin with a peak cap above it; bars fall 3 pixels a
// tick, caps 1. The bars' levels are barLevel and peakLevel of the program state, kept from
// tick to tick for the whole run (pause, reset and a new sound leave them alone). UI thread.
#include "state/program_state.h"

namespace veldo {

inline constexpr int kBarPitch = 5;       // pixels from one bar's left edge to the next
inline constexpr int kBarWidth = 4;       // pixels, also the cap's width

// One step of a bar's levels for a new bar height `height` on a panel `panelHeight` high.
void UpdateBarLevels(float& bar, float& peak, int height, int panelHeight);

// Tick of 时钟2 (every 50 ms while a sound plays): clears 画板1 and draws the FFT of
// currentStream, reading the panel's width and height anew. No FFT data leaves it clear.
// Once nothing sounds and the bars have fallen (or no data will come), it stops 时钟2.
void DrawSpectrum();

} // namespace veldo
