#pragma once
// A raw TCP server on 127.0.0.1 that misbehaves on purpose: it resets connections in the middle
// of a body, trickles bytes, accepts and never answers, lies about Content-Length, sends huge
// header blocks or bodies of gigabytes made on the fly.
//
// Threads: one thread accepts; every connection is served on a thread of its own, so a silent
// or trickling answer never holds up the next request. The handler runs on those threads and
// must only read what the test set up before Start(). The recorded targets are kept under a
// mutex; stopping is an atomic flag plus a condition variable that ends every wait at once,
// and the destructor shuts every open socket down and joins every thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "raw_socket_server.h"

namespace veldo::testing {

class FaultServer;

// One accepted connection, as its handler sees it.
class FaultConnection {
  public:
    FaultConnection(FaultServer& server, int fd) : server_(server), fd_(fd) {}

    // Sends all of `bytes`; false once the peer has gone or the server is stopping.
    bool Send(std::string_view bytes);
    // Sends `bytes` one at a time, `gapMs` apart; false as Send.
    bool Trickle(std::string_view bytes, int gapMs);
    // Waits `ms` (or until the server stops); false when stopping.
    bool Wait(int ms);
    // Ends the connection with a TCP reset instead of an orderly close.
    void Reset();

  private:
    friend class FaultServer;
    FaultServer& server_;
    int fd_;
    bool reset_ = false;
};

class FaultServer {
  public:
    // `handler`(request target, connection) answers one request; the connection is closed
    // (unless reset) when it returns.
    using Handler = std::function<void(const std::string& target, FaultConnection& connection)>;

    explicit FaultServer(Handler handler);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    int port() const { return listener_.port(); }
    std::string HostAndPort() const { return listener_.HostAndPort(); }
    std::string Url(const std::string& target) const { return listener_.Url(target); }
    // Request targets received so far, oldest first.
    std::vector<std::string> Targets() const;
    // Ends every wait and trickle at once; later connections are closed unanswered.
    void Stop();
    bool Stopping() const { return stopping_.load(); }

  private:
    friend class FaultConnection;
    void Accept(int fd);
    void Serve(int fd);
    bool WaitFor(std::chrono::milliseconds duration);

    Handler handler_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::string> targets_;
    std::vector<int> openFds_;
    std::list<std::thread> connections_;
    RawSocketServer listener_{[this](int fd) { Accept(fd); }}; // last: it uses all of the above
};

// A status line and header lines (each ended by CR LF), the Content-Length given, the blank
// line: the head of an answer whose body follows.
std::string AnswerHead(const std::string& status, const std::string& contentType,
                       std::uint64_t contentLength, const std::string& extraLines = {});

// A PNG signature and header chunk that claim `width` x `height` RGB pixels, followed by a
// short data chunk and the end chunk, with correct checksums.
std::string PngClaiming(std::uint32_t width, std::uint32_t height);

} // namespace veldo::testing
