// veldo-startup-probe: the player's real start-up (program state, main window, created
// handler with audio and fade-in, event loop) until the main window's first paint, which it
// reports on standard output before ending. A benchmark helper.
#include "app/main_window.h"
#include "app/start_up.h"
#include "first_paint_report.h"

int main() {
    return veldo::StartUp([](veldo::MainWindow& window) {
        new veldo::bench::FirstPaintReport(&window); // lives until the process ends
    });
}
