#pragma once
// A cpp-httplib server on 127.0.0.1 at an ephemeral port, run on a thread of its own for the
// length of one test; plain http, or https with a certificate of test_certificates.h. Handlers
// are registered before Start(); every request it receives is recorded so that tests can check
// what went over the wire.
#include <httplib.h>

#include <memory>
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

struct TlsIdentity;

class LocalServer {
  public:
    LocalServer();
    // An https server that presents `identity`.
    explicit LocalServer(const TlsIdentity& identity);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    httplib::Server& server() { return *server_; }
    // Binds to 127.0.0.1 on a free port and serves until destruction.
    void Start();
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path ("https://" for an https server).
    std::string Url(const std::string& path = "/") const;
    std::string HostAndPort() const;
    std::vector<RecordedRequest> Requests() const;

  private:
    void Record();

    std::unique_ptr<httplib::Server> server_;
    const char* scheme_ = "http://";
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
};

} // namespace veldo::testing
