// Threads: BeginSlideAwayExit runs on the UI thread. Each SlideAwayWorker runs on a thread of
// its own; every step (read top and height, move) runs as one call on the UI thread, so two
// workers never both move the window from the same old top and each step counts.
#include "app/slide_away_exit.h"

#include "app/main_window.h"
#include "platform/gui/runtime_services.h"
#include "platform/gui/ui_thread.h"
#include "state/program_state.h"

namespace veldo {

namespace {

constexpr int kStepPixels = 50;
constexpr int kStepMs = 1;
// The top counts as above the window's height only by more than this.
constexpr double kEpsilon = 1e-7;

// One step on the UI thread: true when the window already lies wholly above the screen.
bool SlideOneStep() {
    if (mainWindow == nullptr) return true;
    const double height = mainWindow->height();
    const double top = mainWindow->frameGeometry().y();
    if (top < -height - kEpsilon) return true;
    mainWindow->move(mainWindow->frameGeometry().x(), static_cast<int>(top - kStepPixels));
    return false;
}

} // namespace

bool BeginSlideAwayExit() {
    StartWorkerThread(&SlideAwayWorker);
    return false;
}

void SlideAwayWorker() {
    for (;;) {
        if (ReadOnUiThread(&SlideOneStep)) EndProcess(0);
        WaitMilliseconds(kStepMs);
    }
}

} // namespace veldo
