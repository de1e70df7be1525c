#include "site/sound_info.h"

namespace veldo {

// Placeholder bodies so that the program links; the site client replaces them.
void LoadSoundInfo(const Text&) {}
void OnSearchButtonClicked() {}

} // namespace veldo
