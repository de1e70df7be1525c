#pragma once
// A cpp-httplib server on 127.0.0.1 at an ephemeral port, run on a thread of its own for the
// length of one test. Handlers are registered before Start(); every request it receives is
// recorded so that tests can check what went over the wire.
#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace veldo::testing {

struct RecordedRequest {
    std::string method;
    std::string target;                                       // path with query, as sent
    std::vector<std::pair<std::string, std::string>> headers; // in arrival order
    std::string body;
};

class LocalServer {
  public:
    LocalServer();
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    httplib::Server& server() { return server_; }
    // Binds to 127.0.0.1 on a free port and serves until destruction.
    void Start();
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path = "/") const;
    std::string HostAndPort() const;
    std::vector<RecordedRequest> Requests() const;

  private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
};

} // namespace veldo::testing
