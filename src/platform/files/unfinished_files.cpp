// Threads: any thread. One mutex guards the set of tracked paths and every creation, rename and
// removal of them, so the process end never races with a rename. The end takes the mutex and
// keeps it until the process is gone.
#include "platform/files/unfinished_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <unistd.h>

namespace veldo {
namespace {

std::mutex filesMutex;
std::set<std::filesystem::path> trackedFiles; // under filesMutex

void RemoveAtQuickExit() {
    RemoveUnfinishedFiles();
}

} // namespace

bool CreateUnfinishedFile(const std::filesystem::path& path, std::error_code& error) {
    static std::once_flag registered;
    std::call_once(registered, [] { std::at_quick_exit(&RemoveAtQuickExit); });
    std::lock_guard lock(filesMutex);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error.assign(errno, std::generic_category());
        return false;
    }
    close(fd);
    trackedFiles.insert(path);
    error.clear();
    return true;
}

bool FinishUnfinishedFile(const std::filesystem::path& path, const std::filesystem::path& target) {
    std::lock_guard lock(filesMutex);
    std::error_code error;
    std::filesystem::rename(path, target, error);
    if (error) return false;
    trackedFiles.erase(path);
    return true;
}

void DiscardUnfinishedFile(const std::filesystem::path& path) {
    std::lock_guard lock(filesMutex);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    trackedFiles.erase(path);
}

void RemoveUnfinishedFiles() {
    filesMutex.lock(); // never unlocked: the process ends after this
    for (const auto& path : trackedFiles)
        unlink(path.c_str());
    trackedFiles.clear();
}

} // namespace veldo
