#pragma once
// Progress bar and time labels. UI thread.
namespace veldo {

// Tick of 时钟1 (every 1000 ms while a sound plays): moves 进度条 to maximum / length x
// position and writes ElapsedText into 标签time1 and TotalText into 标签time2. A stream
// without a known length or position (or of length 0) shows the bar at 0 and "00:00" twice.
// A tick that finds nothing sounding (ended, or never opened) is the last: it stops 时钟1.
void UpdateProgress();

} // namespace veldo
