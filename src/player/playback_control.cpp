#include "player/playback_control.h"

#include "forms/main_window_form.h"
#include "forms/ui_colors.h"
#include "platform/gui/answering_wait.h"
#include "platform/gui/control_ops.h"
#include "player/audio_calls.h"
#include "state/program_state.h"

namespace veldo {
namespace {

// The engine keeps this value with the stream; the player never reads it back.
void* const kStreamUserValue = reinterpret_cast<void*>(1);

void ShowPauseButton(MainWindowForm& window, bool pauseShown) {
    SetShown(window.图形按钮stop, pauseShown);
    SetShown(window.图形按钮play, !pauseShown);
}

void SetTimers(MainWindowForm& window, int progressMs, int spectrumMs) {
    SetTimerInterval(window.时钟1, progressMs);
    SetTimerInterval(window.时钟2, spectrumMs);
}

void AnnounceStream() {
    emit ProgramStateEvents().currentStreamChanged();
}

} // namespace

void PlayCurrentSound() {
    MainWindowForm* window = mainWindow;
    if (!window) return;
    SetOutlineColor(window->外形框1, kIdleOutlineColor);
    ShowPauseButton(*window, true);
    if (currentSound.source.empty()) return;
    SetTimers(*window, kProgressTickMs, kSpectrumTickMs);

    const AudioCalls& audio = Audio();
    if (audio.channelIsActive(currentStream) == BASS_ACTIVE_PAUSED) {
        audio.channelPlay(currentStream, false);
        AnnounceStream();
        return;
    }
    audio.channelStop(currentStream);
    AnnounceStream();
    // The stream connects and prebuffers on a worker while the window answers. A stream that
    // arrives after the wait was abandoned is stopped, and the engine frees it.
    const Text source = currentSound.source;
    const auto streamCreateUrl = audio.streamCreateUrl;
    const auto channelStop = audio.channelStop;
    const std::optional<HSTREAM> stream = WaitAnswering<HSTREAM>(
        [source, streamCreateUrl] {
            return streamCreateUrl(source.c_str(), 0, 0, nullptr, kStreamUserValue);
        },
        [channelStop](HSTREAM& abandoned) { channelStop(abandoned); });
    if (!stream) return;
    currentStream = *stream;
    audio.channelPlay(currentStream, false);
    // Ticks during the wait found nothing sounding and stopped the timers.
    SetTimers(*window, kProgressTickMs, kSpectrumTickMs);
    AnnounceStream();
}

void PausePlayback() {
    MainWindowForm* window = mainWindow;
    if (!window) return;
    SetOutlineColor(window->外形框1, kIdleOutlineColor);
    ShowPauseButton(*window, false);
    Audio().channelPause(currentStream);
    SetTimers(*window, 0, 0);
    ClearPanel(window->画板1);
    AnnounceStream();
}

void ResetPlayer() {
    MainWindowForm* window = mainWindow;
    if (!window) return;
    SetOutlineColor(window->外形框1, kIdleOutlineColor);
    ShowPauseButton(*window, false);
    MoveFocusTo(window->标签1);
    ClearPanel(window->画板1);
    SetProgressPosition(window->进度条, 0);
    Audio().channelStop(currentStream);
    SetTimers(*window, 0, 0);
    // Again: a spectrum tick that ran in between must leave no bars.
    ClearPanel(window->画板1);
    AnnounceStream();
}

} // namespace veldo
