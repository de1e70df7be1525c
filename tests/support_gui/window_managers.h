#pragma once
// The X11 window managers the desktop tests run the real player under, each started by the
// test on its own virtual X server (xvfb-run -a), and none at all for comparison.
#include <QFile>
#include <QString>
#include <ostream>
#include <vector>

namespace veldo::testing {

struct WindowManager {
    QString name;
    QString program; // empty: no window manager
    bool Installed() const { return program.isEmpty() || QFile::exists(program); }
};

inline void PrintTo(const WindowManager& manager, std::ostream* out) {
    *out << manager.name.toStdString();
}

inline std::vector<WindowManager> WindowManagers() {
    return {{"none", ""}, {"openbox", "/usr/bin/openbox"}, {"xfwm4", "/usr/bin/xfwm4"}};
}

// Shell lines that start `manager` in the background on $DISPLAY and wait (up to 20 s) until
// it manages the screen, which is when it answers the desktop query of the window manager
// protocol. They print "window manager not ready" when it never does. A desktop session always
// has a session bus: without one xfwm4 waits about 35 s for its settings service to time out.
inline QString StartWindowManagerScript(const WindowManager& manager) {
    if (manager.program.isEmpty()) return {};
    return QStringLiteral(
               "if [ -n \"$DBUS_SESSION_BUS_ADDRESS\" ]; then \"%1\" >/dev/null 2>&1 &\n"
               "else dbus-run-session -- \"%1\" >/dev/null 2>&1 & fi\n"
               "for i in $(seq 1 200); do\n"
               "  xdotool get_desktop >/dev/null 2>&1 && break\n"
               "  sleep 0.1\n"
               "done\n"
               "xdotool get_desktop >/dev/null 2>&1 || echo \"window manager not ready\"\n")
        .arg(manager.program);
}

} // namespace veldo::testing
