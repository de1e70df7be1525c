#pragma once
// Process-level services of the program: worker threads, waits, the message box, the run
// directory and the end of the process. Callable from any thread.
#include <filesystem>

#include "text/text_types.h"

namespace veldo {

// Starts `procedure` on a new thread and returns at once; the thread is never joined.
void StartWorkerThread(void (*procedure)());

// Blocks the calling thread only.
void WaitMilliseconds(int milliseconds);

// An information message box with `text` (GBK), no title and no owner: it blocks no window, so
// both windows keep working while it is up, and several may be up at once. From a worker
// thread the UI thread shows it and the worker waits until the user has closed it. On the UI
// thread it returns at once, because that thread goes on serving the windows meanwhile.
void ShowInformationMessage(const Text& text);

// Ends the process with `exitCode`. The routines registered with std::at_quick_exit (the
// program state's release, the removal of unfinished files) run first, on the UI thread, so
// they never race with a handler; a worker that calls this waits there until the process is
// gone. Should the UI thread not take the end within 300 ms (stuck in a long blocking call), the
// worker ends the process itself, removing unfinished files but leaving the program state.
[[noreturn]] void EndProcess(int exitCode);

// The folder of the executable, without a trailing separator. A file-system path with the
// folder's exact name, whatever characters it holds; never GBK text.
std::filesystem::path RunDirectory();

} // namespace veldo
