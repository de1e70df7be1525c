#include "player/spectrum_display.h"

#include <QColor>

#include "forms/main_window_form.h"
#include "forms/ui_colors.h"
#include "platform/gui/control_ops.h"
#include "player/audio_calls.h"
#include "state/program_state.h"

namespace veldo {
namespace {

const QColor& kBarColor = kAccentColor;
// Shaded from one colour to the same one: a plain bar.
constexpr int kFillMode = DrawingPanel::kShadedFill;
constexpr double kScale = 10.0;
// Levels differ only by more than this; a smaller difference counts as equal.
constexpr float kTolerance = 1e-7f;
constexpr float kBarFall = 3;
constexpr float kPeakFall = 1;
constexpr float kLowestBar = 1;
constexpr float kPeakGap = 2;
constexpr float kLowestDrawnPeak = 2;
// Far above any panel: keeps the conversion of a wild FFT value to int defined.
constexpr double kTallestBar = 1e6;

// bin x panel height x 10, truncated toward zero; a negative or not-a-number bin gives 0.
int BarHeight(float bin, int panelHeight) {
    const double height = double(bin) * panelHeight * kScale;
    if (!(height > 0)) return 0;
    return height > kTallestBar ? int(kTallestBar) : int(height);
}

// Every bar at its lowest and every cap below the drawn ones: more ticks draw the same.
bool Settled() {
    for (int k = 0; k < kSpectrumBins; ++k)
        if (barLevel[k] - kLowestBar > kTolerance || peakLevel[k] - kLowestDrawnPeak > kTolerance)
            return false;
    return true;
}

} // namespace

void UpdateBarLevels(float& bar, float& peak, int height, int panelHeight) {
    if (float(height) - bar > kTolerance) {
        bar = float(height);
        // The tallest bar leaves room for its cap below the top edge.
        if (bar - (float(panelHeight) - kPeakGap) > kTolerance) {
            bar = float(panelHeight) - kPeakGap;
            peak = float(panelHeight);
        }
        if (bar - (peak + kPeakGap) > kTolerance) peak = bar + kPeakGap;
    } else {
        bar -= kBarFall;
        peak -= kPeakFall;
        if (kLowestBar - bar > kTolerance) bar = kLowestBar;
    }
}

void DrawSpectrum() {
    MainWindowForm* window = mainWindow;
    if (!window) return;
    DrawingPanel* panel = window->画板1;
    ClearPanel(panel);
    SetPanelDrawColor(panel, kBarColor);
    float fft[kSpectrumBins];
    const bool sounding = IsSounding(currentStream);
    if (Audio().channelGetData(currentStream, fft, BASS_DATA_FFT256) == kNoData) {
        if (!sounding) SetTimerInterval(window->时钟2, 0); // nothing will come
        return;
    }

    const int width = GetWidth(panel);
    // Bars stand at x = 1, 6, 11, ...; once the bins run out the rest of the panel stays empty.
    for (int x = 1, k = 0; x <= width && k < kSpectrumBins; x += kBarPitch, ++k) {
        const int height = GetHeight(panel);
        UpdateBarLevels(barLevel[k], peakLevel[k], BarHeight(fft[k], height), height);
        // The bar reaches below the bottom edge, which clips it to barLevel pixels.
        FillPanelRect(panel, x, height - int(barLevel[k]), kBarWidth, height, kFillMode, kBarColor,
                      kBarColor);
        if (peakLevel[k] - kLowestDrawnPeak > kTolerance)
            FillPanelRect(panel, x, height - int(peakLevel[k]), kBarWidth, 1, kFillMode, kBarColor,
                          kBarColor);
    }
    emit ProgramStateEvents().spectrumLevelsChanged();
    // Nothing plays and the bars have fallen: the picture stays as it is, and the timer stops.
    if (!sounding && Settled()) SetTimerInterval(window->时钟2, 0);
}

} // namespace veldo
