#pragma once
// A loopback TCP proxy in front of one of the tests' servers that makes the link bad on
// purpose: it cuts every connection after N answer bytes, stalls once for T, trickles at R
// bytes a second, holds back the first answer byte, or accepts and never answers. Requests pass
// through untouched; only the answer direction (server to client) is shaped.
//
// Threads: the listener's thread accepts; every connection gets one thread that copies the
// request direction and one that copies and shapes the answer. The faults are read under
// mutex_ when a connection starts, so SetFaults affects later connections only. Counters are
// atomic. Stop() shuts every open socket down and ends every wait at once; the destructor
// joins every thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "raw_socket_server.h"

namespace veldo::testing {

struct LinkFaults {
    std::size_t cutAfterBytes = 0;            // each connection ends after this many (0: never)
    std::size_t stallAtByte = 0;              // the first connection to pass this many answer
    std::chrono::milliseconds stallFor{0};    //   bytes then carries nothing for stallFor
    std::size_t bytesPerSecond = 0;           // answer bytes a second at most (0: unlimited)
    std::chrono::milliseconds firstByteDelay{0}; // before any answer byte of each connection
    bool silent = false;                      // accept, read, never answer
    int answeredConnections = 0;              // later ones are closed at once (0: no limit)
};

class FaultProxy {
  public:
    FaultProxy(std::string upstreamHostAndPort, LinkFaults faults = {});
    ~FaultProxy();
    FaultProxy(const FaultProxy&) = delete;
    FaultProxy& operator=(const FaultProxy&) = delete;

    void SetFaults(const LinkFaults& faults);
    std::string HostAndPort() const { return listener_.HostAndPort(); }
    std::string Url(const std::string& path = "/") const { return listener_.Url(path); }
    // Answer bytes handed to clients so far, over every connection.
    std::size_t BytesForwarded() const { return forwarded_.load(); }
    int Connections() const { return connections_.load(); }
    void Stop();

  private:
    void Accept(int clientFd);
    void Serve(int clientFd);
    void ShapeAnswer(int from, int to, const LinkFaults& faults);
    bool WaitFor(std::chrono::steady_clock::duration duration);
    void Forget(int fd);

    const std::string upstream_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> stalled_{false};
    std::atomic<std::size_t> forwarded_{0};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    LinkFaults faults_;
    std::vector<int> openFds_;
    std::list<std::thread> threads_;
    RawSocketServer listener_{[this](int fd) { Accept(fd); }}; // last: it uses all of the above
};

} // namespace veldo::testing
