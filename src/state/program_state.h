#pragma once
// The process-wide values of the program, all of them (README.md, "Process-wide values").
// Each has one writer, which changes the value and then emits its signal on ProgramStateEvents()
// (UI thread unless said otherwise):
//   mainWindow           the player window (app), while it exists
//   listWindow           the list window (app), while it is open
//   currentStream        playback control (player)
//   fadeAlpha            FadeInWorker only, on its own thread
//   currentSound         sound information (site); a load replaces all three
//   soundInfoText        sound information (site)
//   enteredSoundId       the search button (site)
//   explorationEntries   exploration list (site); never absent, maybe empty
//   explorationPageText  exploration list (site)
//   barLevel, peakLevel  the spectrum's tick (player); kept for the whole run
// The download worker must not read currentSound itself: the click handler copies source and
// name on the UI thread and hands the copies over.
#include <QObject>
#include <array>
#include <atomic>

#include "platform/audio/bass.h"
#include "text/text_types.h"

namespace veldo {

class MainWindowForm; // forms/main_window_form.h
class ListWindowForm; // forms/list_window_form.h

struct SoundRecord {
    Text source; // MP3 address
    Text pic;    // cover picture address
    Text name;   // shown to the user and used as the file name
};

inline constexpr int kSpectrumBins = 128; // FFT bins drawn at most

extern MainWindowForm* mainWindow; // nullptr while there is none
extern ListWindowForm* listWindow; // nullptr while none is open
extern HSTREAM currentStream;
extern std::atomic<int> fadeAlpha; // atomic so that tests may watch it
extern SoundRecord currentSound;
extern Text soundInfoText;
extern Text enteredSoundId;
extern TextList explorationEntries;
extern Text explorationPageText;
// Drawn height of each spectrum bar and height of its cap, in pixels; 0 at start-up.
extern std::array<float, kSpectrumBins> barLevel;
extern std::array<float, kSpectrumBins> peakLevel;

// One signal a value, emitted by its writer after each change. Listeners connect with a
// context object on the UI thread, so that fadeAlphaChanged reaches them queued.
class ProgramStateSignals : public QObject {
    Q_OBJECT
  signals:
    void mainWindowChanged();
    void listWindowChanged();
    // currentStream was replaced, or the player played, paused or stopped it. What the engine
    // does on its own (the position moves, the length becomes known, the sound ends) is not
    // announced.
    void currentStreamChanged();
    void fadeAlphaChanged(); // on the fade thread
    void currentSoundChanged();
    void soundInfoTextChanged();
    void enteredSoundIdChanged();
    void explorationEntriesChanged();
    void explorationPageTextChanged();
    void spectrumLevelsChanged(); // barLevel and peakLevel, once a tick
};

// The one announcer; it lives as long as the process.
ProgramStateSignals& ProgramStateEvents();

// Gives every value but the two windows and the bars its initial value (0, empty texts, an
// empty list) and announces them. UI thread.
void InitialiseProgramState();

// Releases the texts and the list (runs once, at process end, and announces nothing). Leaves
// currentStream and the audio library alone.
void ReleaseProgramState();

} // namespace veldo
