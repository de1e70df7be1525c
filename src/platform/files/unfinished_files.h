#pragma once
// Files being written that must not outlive the process unfinished, such as a download's
// temporary file: the process end removes every one still tracked. Any thread.
#include <filesystem>
#include <system_error>

namespace veldo {

// Creates `path` as a new empty file (it must not exist; an ordinary new file's mode) and
// tracks it. False with `error` set when it cannot be made; once the process is ending it
// makes nothing and the call waits for the end.
bool CreateUnfinishedFile(const std::filesystem::path& path, std::error_code& error);

// Renames the tracked file `path` to `target` (replacing it) and stops tracking it. Never
// after the process end has begun: the end removes the file instead and `target` stays as it
// was.
bool FinishUnfinishedFile(const std::filesystem::path& path, const std::filesystem::path& target);

// Removes the tracked file `path` and stops tracking it (a transfer that failed).
void DiscardUnfinishedFile(const std::filesystem::path& path);

// Removes every tracked file. From then on the calls above wait for the process to end, so
// nothing new is made or renamed. Registered to run at the quick exit; also called by an end
// that cannot wait for the UI thread.
void RemoveUnfinishedFiles();

} // namespace veldo
