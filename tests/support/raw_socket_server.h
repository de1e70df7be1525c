#pragma once
// A bare TCP listener on 127.0.0.1 at an ephemeral port, for servers that must write bytes no
// HTTP library would (the fault server, the web request tests' exact-bytes server). One thread
// accepts and hands every connection to the owner's callback, which owns the socket from then
// on. Close() (or the destructor) shuts the listener down and joins that thread.
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace veldo::testing {

class RawSocketServer {
  public:
    // Without `onConnection` the server listens but never accepts: connections are made by the
    // kernel and then hear nothing.
    explicit RawSocketServer(std::function<void(int fd)> onConnection = {});
    ~RawSocketServer();
    RawSocketServer(const RawSocketServer&) = delete;
    RawSocketServer& operator=(const RawSocketServer&) = delete;

    // Stops accepting; once it returns no callback runs any more.
    void Close();
    int port() const { return port_; }
    std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path = "/") const {
        return "http://" + HostAndPort() + path;
    }

  private:
    std::function<void(int)> onConnection_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// Sends all of `bytes`; false once the peer has gone.
bool SendAll(int fd, std::string_view bytes);

// Reads a request's head (up to 64 KiB) and, with `withBody`, as many body bytes as its
// Content-Length names.
std::string ReadRequest(int fd, bool withBody);

// The target of a request line ("GET /a?b HTTP/1.1" gives "/a?b"); empty when there is none.
std::string RequestTarget(const std::string& request);

} // namespace veldo::testing
