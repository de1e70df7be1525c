#pragma once
// Reports when a top-level window first reached the screen, then ends the process at once.
// Shared by the player's start-up probe and the floor program, so both are measured alike.
// UI thread only.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "boot_clock.h"

namespace veldo::bench {

// Milliseconds since the kernel started this process (field 22 of /proc/self/stat, in clock
// ticks since boot, so the figure is up to one tick, 10 ms, too long).
inline double MillisecondsSinceProcessStart(long long bootTimeNs) {
    std::ifstream file("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t nameEnd = stat.rfind(')'); // the command name may hold spaces
    if (nameEnd == std::string::npos) return -1;
    std::istringstream fields(stat.substr(nameEnd + 2));
    std::string field;
    for (int index = 3; fields >> field; ++index)
        if (index == 22) {
            const double startNs = double(std::stoull(field)) * 1e9 / double(sysconf(_SC_CLK_TCK));
            return (double(bootTimeNs) - startNs) / 1e6;
        }
    return -1;
}

// Watches every paint of the application; at the first one that belongs to `window`, waits for
// the event loop to come back (the painted buffer has been flushed to the window system by
// then), prints "first-paint <CLOCK_BOOTTIME ns> <ms since process start>" and ends the process
// without tearing anything down.
class FirstPaintReport : public QObject {
  public:
    explicit FirstPaintReport(QWidget* window) : window_(window) { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!painted_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            painted_ = true;
            QTimer::singleShot(0, [] {
                const long long now = BootTimeNanoseconds();
                std::printf("first-paint %lld %.2f\n", now, MillisecondsSinceProcessStart(now));
                std::fflush(stdout);
                _exit(0);
            });
        }
        return false;
    }

  private:
    QWidget* window_;
    bool painted_ = false;
};

} // namespace veldo::bench
