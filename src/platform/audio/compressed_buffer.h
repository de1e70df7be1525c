#pragma once
/* Threads: the fetch thread appends bytes and finally calls Finish; the decoder thread reads
 * with WaitRead; the caller's thread may call Abort. Everything is guarded by one mutex; one
 * condition variable wakes the reader when bytes arrive, the download ends or it is aborted,
 * another wakes the fetch thread when the reader has made room. */
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace veldo::audio {

// How a download ended.
enum class FetchResult { Running, Complete, Failed };

// The compressed file as it arrives, read once from front to back by offset. Bytes the reader
// has passed are dropped, and a download that runs ahead of playback waits once kMaxHeldBytes
// are held, so a stream of any length holds a bounded window of its file.
class CompressedBuffer {
  public:
    static constexpr size_t kMaxHeldBytes = size_t{16} << 20;

    // Set before the download starts: sees every piece as it arrives, on the fetch thread,
    // outside the buffer's lock (before Append may wait for room).
    void SetArrivalHook(std::function<void(const char* data, size_t length)> hook);
    void SetExpectedSize(int64_t bytes); // from Content-Length; reserves the storage
    // Blocks while the buffer is full, until the reader makes room or Abort is called.
    void Append(const char* data, size_t length);
    // `error` is one of the BASS_ERROR_ codes, or 0 when complete.
    void Finish(FetchResult result, int error);
    void Abort();

    // Blocks until bytes past `offset` exist, the download has ended or Abort was called.
    // Copies at most `maxLength` of them into `out`; an empty `out` means nothing will come.
    // Offsets never go backwards: what lies before `offset` may already be gone.
    void WaitRead(size_t offset, size_t maxLength, std::string& out);

    int64_t ExpectedSize() const;
    size_t Size() const; // bytes received so far, dropped ones included
    FetchResult Result() const;
    int Error() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::condition_variable room_;
    std::string bytes_; // the file from offset base_ on
    size_t base_ = 0;
    int64_t expectedSize_ = -1;
    FetchResult result_ = FetchResult::Running;
    int error_ = 0;
    bool aborted_ = false;
    std::function<void(const char*, size_t)> arrivalHook_; // fixed before the fetch thread starts
};

} // namespace veldo::audio
