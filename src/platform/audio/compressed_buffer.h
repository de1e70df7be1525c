#pragma once
/* Threads: the fetch thread appends bytes and finally calls Finish; the decoder thread reads
 * with WaitRead; the caller's thread may call Abort. Everything is guarded by one mutex, and
 * a condition variable wakes the reader when bytes arrive, the download ends or it is aborted. */
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace veldo::audio {

// How a download ended.
enum class FetchResult { Running, Complete, Failed };

// The whole compressed file as it arrives. Only grows; the decoder reads it by offset.
class CompressedBuffer {
  public:
    void SetExpectedSize(int64_t bytes); // from Content-Length; reserves the storage
    void Append(const char* data, size_t length);
    // `error` is one of the BASS_ERROR_ codes, or 0 when complete.
    void Finish(FetchResult result, int error);
    void Abort();

    // Blocks until bytes past `offset` exist, the download has ended or Abort was called.
    // Copies at most `maxLength` of them into `out`; an empty `out` means nothing will come.
    void WaitRead(size_t offset, size_t maxLength, std::string& out);

    int64_t ExpectedSize() const;
    size_t Size() const;
    FetchResult Result() const;
    int Error() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string bytes_;
    int64_t expectedSize_ = -1;
    FetchResult result_ = FetchResult::Running;
    int error_ = 0;
    bool aborted_ = false;
};

} // namespace veldo::audio
