#pragma once
// Waiting in tests that drive Qt: the event loop turns between two looks, so that timers,
// queued signals and replies are handled meanwhile.
#include <QCoreApplication>

#include "support/wait_until.h"

namespace veldo::testing {

// Processes events until `done` holds or `milliseconds` have passed; gives the last answer.
inline bool EventsUntil(const std::function<bool()>& done, int milliseconds = 15000) {
    return WaitUntil(done, std::chrono::milliseconds(milliseconds),
                     [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
}

inline void ProcessEventsFor(int milliseconds) {
    EventsUntil([] { return false; }, milliseconds);
}

} // namespace veldo::testing
