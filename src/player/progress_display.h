#pragma once
// Progress bar and time labels. UI thread.
namespace veldo {

// Tick of 时钟1 (every 1000 ms while a sound plays).
void UpdateProgress();

} // namespace veldo
