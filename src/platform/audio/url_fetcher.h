#pragma once
/* Threads: the constructor starts one fetch thread that runs libcurl and appends what arrives
 * to the CompressedBuffer. The owner's thread may call Abort at any time (an atomic flag that
 * curl's progress and write callbacks read); the destructor aborts and joins the thread. */
#include <atomic>
#include <string>
#include <thread>

#include "platform/audio/compressed_buffer.h"

namespace veldo::audio {

struct FetchLimits {
    long connectTimeoutMs = 10000;
    long stallTimeoutMs = 30000; // no byte for this long ends the download
    long maxRedirects = 5;
};

// Downloads one http or https URL progressively into a CompressedBuffer.
class UrlFetcher {
  public:
    UrlFetcher(std::string url, FetchLimits limits, CompressedBuffer& target);
    ~UrlFetcher();
    UrlFetcher(const UrlFetcher&) = delete;
    UrlFetcher& operator=(const UrlFetcher&) = delete;

    void Abort();

  private:
    void Run();
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, long long, long long, long long, long long);

    std::string url_;
    FetchLimits limits_;
    CompressedBuffer& target_;
    std::atomic<bool> abort_{false};
    bool sizeKnown_ = false;      // fetch thread only
    long long lastArrivalMs_ = 0; // fetch thread only
    bool stalled_ = false;        // fetch thread only
    void* curl_ = nullptr;        // fetch thread only
    std::thread thread_;
};

// Process-wide libcurl set-up; safe to call more than once.
void EnsureCurlInitialised();

} // namespace veldo::audio
