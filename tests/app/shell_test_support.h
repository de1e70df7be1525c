#pragma once
// Helpers of the application shell's widget tests.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace veldo::testing {

// Processes events until `done` holds or `milliseconds` have passed; gives the last answer.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace veldo::testing
