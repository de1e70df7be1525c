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

// Shell lines that start `manager` in the background on $DISPLAY and wait (up to 60 s, room
// for a loaded machine) until it manages the screen, which is when it answers the desktop query
// of the window manager protocol. They print "window manager not ready" and what the manager
// printed when it never does. A desktop session always has a session bus: without one xfwm4
// waits about 35 s for its settings service to time out.
inline QString StartWindowManagerScript(const WindowManager& manager) {
    if (manager.program.isEmpty()) return {};
    return QStringLiteral(
               "wm_log=$(mktemp)\n"
               "if [ -n \"$DBUS_SESSION_BUS_ADDRESS\" ]; then \"%1\" >\"$wm_log\" 2>&1 &\n"
               "else dbus-run-session -- \"%1\" >\"$wm_log\" 2>&1 & fi\n"
               "wm_ready_by=$((SECONDS + 60))\n"
               "until xdotool get_desktop >/dev/null 2>&1 || [ $SECONDS -ge $wm_ready_by ]; do\n"
               "  sleep 0.1\n"
               "done\n"
               "xdotool get_desktop >/dev/null 2>&1 ||\n"
               "  { echo \"window manager not ready\"; cat \"$wm_log\"; }\n"
               "rm -f \"$wm_log\"\n")
        .arg(manager.program);
}

} // namespace veldo::testing
