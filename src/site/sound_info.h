#pragma once
// Loading one sound's name, MP3 address and cover from the site. UI thread.
#include "text/text_types.h"

namespace veldo {

// Fetches, stores (currentSound, soundInfoText) and shows one sound, the window answering while
// it waits (platform/gui/answering_wait.h). False when a wait was abandoned: the steps after it
// were skipped.
bool LoadSoundInfo(const Text& id);
// Click of the main window's 图形按钮1: loads the sound whose page address is in 编辑框1.
void OnSearchButtonClicked();

} // namespace veldo
