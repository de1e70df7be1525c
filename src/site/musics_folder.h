#pragma once
// Choosing the folder that downloads are saved into. Any thread; touches only the file system.
#include <filesystem>

namespace veldo {

// `runDirectory`/musics when it can be used: it is a folder, or can be made as one, and a new
// file can be created in it. Otherwise (a read-only program folder, or the folder the program
// is installed into, `installedProgramFolder`) `userMusicFolder`/musics, made if missing. A
// `musics` entry in the run directory that is not a folder keeps the run directory chosen, so
// the download fails there. Without a user music folder the run directory's stays chosen.
std::filesystem::path ChooseMusicsFolder(const std::filesystem::path& runDirectory,
                                         const std::filesystem::path& installedProgramFolder,
                                         const std::filesystem::path& userMusicFolder);

} // namespace veldo
