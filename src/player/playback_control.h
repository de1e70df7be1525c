#pragma once
// Play, pause and reset of the current sound. UI thread (event handlers of the main window and
// the list window).
namespace veldo {

// Click of 图形按钮play; also run after a list entry was chosen.
void PlayCurrentSound();
// Click of 图形按钮stop.
void PausePlayback();
// Before a new sound is loaded: stops the stream and returns the controls to idle.
void ResetPlayer();

} // namespace veldo
