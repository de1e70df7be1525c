#pragma once
// The player as an MPRIS media player on the D-Bus session bus (org.mpris.MediaPlayer2 and
// org.mpris.MediaPlayer2.Player at /org/mpris/MediaPlayer2), so that media keys and the
// desktop's media controls reach it. UI thread: the bus delivers calls to the UI thread, and
// the state is read there.
#include <QDBusConnection>

namespace veldo {

class MainWindow;

// The application id: the name of the desktop entry, the icon and the AppStream file.
inline constexpr char kDesktopId[] = "io.github.veldo.Veldo";
// The bus name; a second running player takes this name + ".instance" + its process id.
inline constexpr char kMediaPlayerBusName[] = "org.mpris.MediaPlayer2.veldo";

// Puts the media controls of `window` on `bus` for as long as the window lives. Without a
// reachable bus it does nothing and returns false; the player runs as before.
bool RegisterMediaControls(MainWindow& window, const QDBusConnection& bus);

// At start-up: RegisterMediaControls on the session bus once the window has been painted for
// the first time, so that connecting to the bus never delays the first picture.
void RegisterMediaControlsAfterFirstPaint(MainWindow& window);

} // namespace veldo
