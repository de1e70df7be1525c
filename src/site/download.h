#pragma once
// Saving the current sound into the musics folder. The click runs on the UI thread, the
// transfer on a worker thread of its own.
#include <filesystem>

namespace veldo {

// Click of 图形按钮down.
void OnDownloadClicked();

// The worker procedure: saves the sound handed over by the last click, then shows the button
// again and "完成" (or "下载失败" when nothing was saved).
void SaveCurrentSound();

// The folder downloads go to: the run directory's "musics" when it can be used, else the user's
// music folder's (ChooseMusicsFolder); `runDirectory`/musics once a test has set one. Tests only
// set it; the program never does.
std::filesystem::path MusicsFolder();
void SetRunDirectoryForTesting(const std::filesystem::path& runDirectory);

} // namespace veldo
