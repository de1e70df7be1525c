#include "player/playback_control.h"

namespace veldo {

// Placeholder bodies so that the program links; playback replaces them.
void PlayCurrentSound() {}
void PausePlayback() {}
void ResetPlayer() {}

} // namespace veldo
