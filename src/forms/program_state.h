#pragma once
// The process-wide values of the program. Each has one writer:
//   currentStream        playback control (player), on the UI thread
//   fadeAlpha            FadeInWorker only, on its own thread
//   currentSound         sound information (site), on the UI thread; a load replaces all three
//   soundInfoText        sound information (site), on the UI thread
//   enteredSoundId       the search button (site), on the UI thread
//   explorationEntries   exploration list (site), on the UI thread; never absent, maybe empty
//   explorationPageText  exploration list (site), on the UI thread
// The download worker must not read currentSound itself: the click handler copies source and
// name on the UI thread and hands the copies over.
#include <atomic>

#include "platform/audio/bass.h"
#include "text/text_types.h"

namespace veldo {

struct SoundRecord {
    Text source; // MP3 address
    Text pic;    // cover picture address
    Text name;   // shown to the user and used as the file name
};

extern HSTREAM currentStream;
extern std::atomic<int> fadeAlpha; // atomic so that tests may watch it
extern SoundRecord currentSound;
extern Text soundInfoText;
extern Text enteredSoundId;
extern TextList explorationEntries;
extern Text explorationPageText;

// Gives every value its initial value: 0, empty texts, an empty list.
void InitialiseProgramState();

// Releases the texts and the list (runs once, at process end). Leaves currentStream and the
// audio library alone.
void ReleaseProgramState();

} // namespace veldo
