#include "site/musics_folder.h"

#include <atomic>
#include <chrono>
#include <string>
#include <system_error>

namespace veldo {
namespace {

// Whether a new entry can be made in `folder`: tried, not judged from mode bits, which an
// administrator's process ignores and a read-only mount overrides. A folder is made rather than
// a file because making one is exclusive and takes any path on every system.
bool CanCreateEntryIn(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path probe =
        folder / (".write-check-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code error;
    if (!std::filesystem::create_directory(probe, error)) return false;
    std::filesystem::remove(probe, error);
    return true;
}

bool IsUsable(const std::filesystem::path& musics) {
    std::error_code error;
    if (!std::filesystem::is_directory(musics, error) &&
        !std::filesystem::create_directory(musics, error))
        return false;
    return CanCreateEntryIn(musics);
}

} // namespace

std::filesystem::path ChooseMusicsFolder(const std::filesystem::path& runDirectory,
                                         const std::filesystem::path& installedProgramFolder,
                                         const std::filesystem::path& userMusicFolder) {
    const std::filesystem::path own = runDirectory / "musics";
    std::error_code error;
    const bool installed = !installedProgramFolder.empty() &&
                           std::filesystem::equivalent(runDirectory, installedProgramFolder, error);
    if (!installed) {
        if (std::filesystem::exists(own, error) && !std::filesystem::is_directory(own, error))
            return own;
        if (IsUsable(own)) return own;
    }
    if (userMusicFolder.empty()) return own;
    return userMusicFolder / "musics";
}

} // namespace veldo
