#pragma once
// The user's own folders, as the desktop names them. Callable from any thread.
#include <filesystem>

namespace veldo {

// The user's music folder (XDG_MUSIC_DIR on Linux, usually ~/Music); empty when the desktop
// names none. The folder need not exist yet.
std::filesystem::path UserMusicFolder();

} // namespace veldo
