#pragma once
// A bare TCP server on 127.0.0.1 for what cpp-httplib cannot show or send: the exact request
// bytes in their order, HTTP/1.0 status lines, header names in any letter case, and silence.
//
// Threads: one thread accepts and answers connections one after another; tests read the
// recorded requests through a mutex.
#include <unistd.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/raw_socket_server.h"

namespace veldo::testing {

class RawServer {
  public:
    // Answers every request with `respond`(request bytes). Without it, the server listens but
    // never accepts: connections are made by the kernel and then hear nothing.
    explicit RawServer(std::function<std::string(const std::string&)> respond = {})
        : respond_(std::move(respond)),
          listener_(respond_ ? std::function<void(int)>([this](int fd) { Serve(fd); })
                             : std::function<void(int)>()) {}

    int port() const { return listener_.port(); }
    std::string Url(const std::string& path = "/") const { return listener_.Url(path); }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

  private:
    void Serve(int fd) {
        const std::string request = ReadRequest(fd, true);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        SendAll(fd, respond_(request));
        ::close(fd);
    }

    std::function<std::string(const std::string&)> respond_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    RawSocketServer listener_; // last: its thread uses all of the above
};

// A complete answer with a Content-Length; `head` is the status line and any header lines,
// each ended by CR LF.
inline std::string RawAnswer(const std::string& head, const std::string& body) {
    return head + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace veldo::testing
