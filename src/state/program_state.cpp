#include "state/program_state.h"

namespace veldo {

MainWindowForm* mainWindow = nullptr;
ListWindowForm* listWindow = nullptr;
HSTREAM currentStream = 0;
std::atomic<int> fadeAlpha = 0;
SoundRecord currentSound;
Text soundInfoText;
Text enteredSoundId;
TextList explorationEntries;
Text explorationPageText;
std::array<float, kSpectrumBins> barLevel{};
std::array<float, kSpectrumBins> peakLevel{};

ProgramStateSignals& ProgramStateEvents() {
    // Never destroyed: the fade thread may still announce while the process ends.
    static auto* const events = new ProgramStateSignals;
    return *events;
}

void InitialiseProgramState() {
    currentStream = 0;
    fadeAlpha = 0;
    currentSound = SoundRecord{};
    soundInfoText.clear();
    enteredSoundId.clear();
    explorationEntries.clear();
    explorationPageText.clear();
    ProgramStateSignals& events = ProgramStateEvents();
    emit events.currentStreamChanged();
    emit events.fadeAlphaChanged();
    emit events.currentSoundChanged();
    emit events.soundInfoTextChanged();
    emit events.enteredSoundIdChanged();
    emit events.explorationEntriesChanged();
    emit events.explorationPageTextChanged();
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
