#include "player/progress_display.h"

#include <algorithm>

#include "forms/main_window_form.h"
#include "platform/gui/control_ops.h"
#include "player/audio_calls.h"
#include "player/time_text.h"
#include "state/program_state.h"

namespace veldo {
namespace {

// Truncated toward zero; kept within the bar so that the conversion to int is always defined.
int BarPosition(double ratio, double positionBytes, int maximum) {
    const double value = ratio * positionBytes;
    if (!(value > 0)) return 0;
    return value >= maximum ? maximum : int(value);
}

} // namespace

void UpdateProgress() {
    MainWindowForm* window = mainWindow;
    if (!window) return;
    const AudioCalls& audio = Audio();
    // Nothing plays any more (the sound ended, or never opened): this tick shows where it
    // stopped and is the last, so the program does not wake every second for nothing.
    if (!IsSounding(currentStream)) SetTimerInterval(window->时钟1, 0);
    const QWORD length = audio.channelGetLength(currentStream, BASS_POS_BYTE);
    const int maximum = GetProgressMaximum(window->进度条);
    const QWORD position = audio.channelGetPosition(currentStream, BASS_POS_BYTE);
    if (length == kUnknownBytes || length == 0 || position == kUnknownBytes) {
        SetProgressPosition(window->进度条, 0);
        SetCaption(window->标签time1, ClockText(0));
        SetCaption(window->标签time2, ClockText(0));
        return;
    }
    // The ratio first, then the product: the two orders differ at a step's edge (in doubles
    // 500 / 38 x 19 is just below 250, 500 x 19 / 38 is 250).
    const double ratio = double(maximum) / double(length);
    SetProgressPosition(window->进度条, BarPosition(ratio, double(position), std::max(0, maximum)));
    SetCaption(window->标签time1, ElapsedText(currentStream));
    SetCaption(window->标签time2, TotalText(currentStream));
}

} // namespace veldo
