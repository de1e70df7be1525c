#pragma once
// Saving the current sound into the musics folder. The click runs on the UI thread, the
// transfer on a worker thread of its own.
namespace veldo {

// Click of 图形按钮down.
void OnDownloadClicked();

} // namespace veldo
