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

// One step on the UI thread: true when the window already lies wholly above the screen.
bool SlideOneStep() {
    if (mainWindow == nullptr) return true;
    const double height = mainWindow->height();
    const double top = mainWindow->frameGeometry().y();
    if (top < -height - 0.0000001) return true;
    mainWindow->move(mainWindow->frameGeometry().x(), static_cast<int>(top - 50));
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
        WaitMilliseconds(1);
    }
}

} // namespace veldo
