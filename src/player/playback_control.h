#pragma once
// Play, pause and reset of the current sound. UI thread (event handlers of the main window and
// the list window).
namespace veldo {

// Timer intervals while a sound plays, in milliseconds.
inline constexpr int kProgressTickMs = 1000; // 时钟1: progress bar and times
inline constexpr int kSpectrumTickMs = 50;   // 时钟2: spectrum

// Click of 图形按钮play; also run after a list entry was chosen. Resumes a paused stream, else
// opens a new stream on currentSound.source and plays it; the window answers while the stream
// connects (platform/gui/answering_wait.h), and an abandoned wait leaves the sound unplayed.
void PlayCurrentSound();
// Click of 图形按钮stop.
void PausePlayback();
// Before a new sound is loaded: stops the stream and returns the controls to idle. Leaves the
// time labels and currentStream as they are.
void ResetPlayer();

} // namespace veldo
