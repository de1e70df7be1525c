#pragma once
// Start of the program, the main window's created handler and the fade-in.
#include <functional>

namespace veldo {

class MainWindow;

// The process entry: program state, the main window, the event loop. Ends the process with
// exit code 0. `afterShown` runs once the main window is shown (test helpers only; the
// program passes nothing).
int StartUp(const std::function<void(MainWindow&)>& afterShown = {});

// Created handler of the main window: transparent, fade-in started, audio initialised,
// tooltips attached. UI thread.
void OnMainWindowCreated();

// Worker thread: raises the main window's opacity 25, 50, ..., 250, 1 ms apart.
void FadeInWorker();

} // namespace veldo
