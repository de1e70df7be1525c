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

// An information message box with `text` (GBK), no title and no owner; returns when the user
// has closed it. From a worker thread the box is shown by the UI thread while the worker waits.
void ShowInformationMessage(const Text& text);

// Ends the process with `exitCode`. The routines registered with std::at_quick_exit (the
// program state's release) run first, on the UI thread, so they never race with a handler;
// a worker that calls this waits there until the process is gone.
[[noreturn]] void EndProcess(int exitCode);

// The folder of the executable, without a trailing separator. A file-system path with the
// folder's exact name, whatever characters it holds; never GBK text.
std::filesystem::path RunDirectory();

} // namespace veldo
