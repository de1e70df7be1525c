// Threads: the signal handler runs on whichever thread the kernel picks and only writes the
// signal's number into a pipe (async-signal-safe). The watcher thread, started once, reads it
// and calls EndProcess, which hands the end to the UI thread through its event loop; nothing
// here touches Qt.
#include "platform/gui/stop_signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "platform/gui/runtime_services.h"
#include "platform/gui/ui_thread.h"

namespace veldo {
namespace {

// A process ended by signal N exits with 128 + N, as shells report it.
constexpr int kSignalExitBase = 128;

int signalPipe[2] = {-1, -1}; // written once before the handlers are installed

void OnStopSignal(int number) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void WatchSignals() {
    unsigned char number = 0;
    for (;;) {
        const ssize_t got = read(signalPipe[0], &number, 1);
        if (got == 1) EndProcess(kSignalExitBase + number);
        if (got < 0 && errno != EINTR) return;
    }
}

} // namespace

void EndProcessOnStopSignals() {
    VELDO_ASSERT_UI_THREAD();
    if (signalPipe[0] >= 0) return;
    if (pipe2(signalPipe, O_CLOEXEC) != 0) return;
    std::thread(&WatchSignals).detach();
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(number, &action, nullptr);
}

} // namespace veldo
