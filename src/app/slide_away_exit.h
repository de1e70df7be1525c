#pragma once
// The one way the program ends: the main window slides up off the screen, then the process
// ends with exit code 0.
namespace veldo {

// Starts one more SlideAwayWorker and returns false (a refused close request).
bool BeginSlideAwayExit();

// Worker thread: moves the main window up 50 pixels every millisecond and ends the process
// once the window lies wholly above the screen.
void SlideAwayWorker();

} // namespace veldo
