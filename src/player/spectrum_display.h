#pragma once
// The spectrum on 画板1. UI thread.
namespace veldo {

// Tick of 时钟2 (every 50 ms while a sound plays).
void DrawSpectrum();

} // namespace veldo
