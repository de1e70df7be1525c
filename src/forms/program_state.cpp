#include "forms/program_state.h"

namespace veldo {

HSTREAM currentStream = 0;
std::atomic<int> fadeAlpha = 0;
SoundRecord currentSound;
Text soundInfoText;
Text enteredSoundId;
TextList explorationEntries;
Text explorationPageText;

void InitialiseProgramState() {
    currentStream = 0;
    fadeAlpha = 0;
    currentSound = SoundRecord{};
    soundInfoText.clear();
    enteredSoundId.clear();
    explorationEntries.clear();
    explorationPageText.clear();
}

namespace {
void Release(Text& text) {
    Text().swap(text);
}
} // namespace

void ReleaseProgramState() {
    Release(currentSound.source);
    Release(enteredSoundId);
    Release(soundInfoText);
    Release(currentSound.pic);
    Release(currentSound.name);
    TextList().swap(explorationEntries);
    Release(explorationPageText);
}

} // namespace veldo
