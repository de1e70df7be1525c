#pragma once
/* Threads: the constructor starts one fetch thread that runs the HTTP transfer and appends what
 * arrives to the CompressedBuffer. The owner's thread may call Abort at any time (an atomic flag
 * that the transfer's progress and body callbacks read); the destructor aborts and joins the
 * thread. */
#include <atomic>
#include <string>
#include <thread>

#include "platform/audio/compressed_buffer.h"
#include "platform/net/net_timeouts.h"

namespace veldo::audio {

// The engine's limits (BASS_CONFIG_NET_TIMEOUT and BASS_CONFIG_NET_READTIMEOUT), in
// milliseconds; by default those of every other exchange (net_timeouts.h).
struct FetchLimits {
    long connectTimeoutMs = long(NetTimeouts{}.connect.count());
    long stallTimeoutMs = long(NetTimeouts{}.idle.count()); // no byte for this long ends it
};

// Downloads one http or https URL progressively into a CompressedBuffer, by the rules every
// exchange of the program follows (platform/net/http_transfer.h): the program's User-Agent,
// at most 10 redirects and never from https to plain http, certificates verified.
class UrlFetcher {
  public:
    UrlFetcher(std::string url, FetchLimits limits, CompressedBuffer& target);
    ~UrlFetcher();
    UrlFetcher(const UrlFetcher&) = delete;
    UrlFetcher& operator=(const UrlFetcher&) = delete;

    void Abort();

  private:
    void Run();

    std::string url_;
    FetchLimits limits_;
    CompressedBuffer& target_;
    std::atomic<bool> abort_{false};
    std::thread thread_;
};

} // namespace veldo::audio
