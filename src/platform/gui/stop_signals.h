#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl-C, a closed terminal) end the program the
// orderly way, with exit code 128 + the signal's number as shells and supervisors expect.
namespace veldo {

// Installs the handlers and starts the thread that carries a signal to EndProcess. Call once,
// on the UI thread, after the application object exists and before the audio library starts.
void EndProcessOnStopSignals();

} // namespace veldo
