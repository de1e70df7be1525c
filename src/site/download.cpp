/* Threads: OnDownloadClicked runs on the UI thread. It copies the current sound's source and
 * name into a transfer record and queues it (under transferMutex) before starting the worker,
 * so that a sound loaded meanwhile cannot change what the worker saves. SaveCurrentSound runs
 * on that worker: it takes one record from the queue and touches the window only through the
 * control operations and the message box, which carry their work to the UI thread. The
 * test-only run directory is set before any transfer and read under the same mutex; the counter
 * that names temporary files is atomic. The temporary file is tracked (unfinished_files.h) until
 * it is renamed into place, so an end of the process in the middle of a transfer removes it. */
#include "site/download.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <system_error>
#include <unistd.h>

#include "forms/main_window_form.h"
#include "platform/files/unfinished_files.h"
#include "platform/files/user_folders.h"
#include "platform/gui/control_ops.h"
#include "platform/gui/runtime_services.h"
#include "platform/net/url_fetch.h"
#include "site/file_name.h"
#include "site/mp3_signature.h"
#include "site/musics_folder.h"
#include "site/site_texts.h"
#include "state/program_state.h"
#include "web/charset.h"

namespace veldo {
namespace {

struct Transfer {
    Text source;
    Text name;
    QWidget* button; // the main window's, which lives until the process ends
};

std::mutex transferMutex;
std::deque<Transfer> pendingTransfers;
std::filesystem::path runDirectoryForTesting;

// A new empty file with a unique name in `folder`, for the body until it is complete. Made
// with the mode an ordinary new file gets (mkstemp's 0600 would stay on the renamed file), and
// removed by the process end while unfinished.
std::filesystem::path CreateTemporaryFile(const std::filesystem::path& folder) {
    // Names another process took already are passed over, up to this many.
    constexpr int kNameAttempts = 100;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path path =
            folder / (".download-" + std::to_string(getpid()) + "-" +
                      std::to_string(counter.fetch_add(1)) + ".part");
        std::error_code error;
        if (CreateUnfinishedFile(path, error)) return path;
        if (error != std::errc::file_exists) break;
    }
    return {};
}

// Fetches `source` into the folder and renames it into place; an earlier file of the same
// name stays untouched unless the whole body arrived and is an MP3.
bool SaveToMusicsFolder(const Transfer& transfer) {
    const std::filesystem::path folder = MusicsFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return false;
    const std::filesystem::path target = folder / Mp3FileName(GbkToUtf8(transfer.name));
    const std::filesystem::path partial = CreateTemporaryFile(folder);
    if (partial.empty()) return false;
    // Only a whole body that is an MP3 replaces what the folder holds under that name.
    if (!FetchUrlToFile(transfer.source, partial) || !FileLooksLikeMp3(partial.string()) ||
        !FinishUnfinishedFile(partial, target)) {
        DiscardUnfinishedFile(partial);
        return false;
    }
    return true;
}

} // namespace

std::filesystem::path MusicsFolder() {
    std::lock_guard lock(transferMutex);
    if (!runDirectoryForTesting.empty()) return runDirectoryForTesting / "musics";
    return ChooseMusicsFolder(RunDirectory(), VELDO_INSTALLED_PROGRAM_FOLDER, UserMusicFolder());
}

void SetRunDirectoryForTesting(const std::filesystem::path& runDirectory) {
    std::lock_guard lock(transferMutex);
    runDirectoryForTesting = runDirectory;
}

void OnDownloadClicked() {
    if (currentSound.source.empty()) return;
    QWidget* button = mainWindow != nullptr ? mainWindow->图形按钮down : nullptr;
    if (button != nullptr) SetShown(button, false);
    {
        std::lock_guard lock(transferMutex);
        pendingTransfers.push_back({currentSound.source, currentSound.name, button});
    }
    StartWorkerThread(&SaveCurrentSound);
}

void SaveCurrentSound() {
    Transfer transfer;
    {
        std::lock_guard lock(transferMutex);
        if (pendingTransfers.empty()) return;
        transfer = std::move(pendingTransfers.front());
        pendingTransfers.pop_front();
    }
    const bool saved = SaveToMusicsFolder(transfer);
    // The button comes back before the message, as the user expects.
    if (transfer.button) SetShown(transfer.button, true);
    ShowInformationMessage(saved ? kDoneMessage : kDownloadFailedMessage);
}

} // namespace veldo
