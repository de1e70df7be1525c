#pragma once
// A bare TCP server on 127.0.0.1 for what cpp-httplib cannot show or send: the exact request
// bytes in their order, HTTP/1.0 status lines, header names in any letter case, and silence.
//
// Threads: one thread accepts and answers connections one after another; tests read the
// recorded requests through a mutex.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace veldo::testing {

class RawServer {
  public:
    // Answers every request with `respond`(request bytes). Without it, the server listens but
    // never accepts: connections are made by the kernel and then hear nothing.
    explicit RawServer(std::function<std::string(const std::string&)> respond = {})
        : respond_(std::move(respond)) {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) ||
            ::listen(listenFd_, 16) ||
            ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length))
            throw std::runtime_error("cannot listen on 127.0.0.1");
        port_ = ntohs(address.sin_port);
        if (respond_) thread_ = std::thread([this] { Serve(); });
    }
    ~RawServer() {
        ::shutdown(listenFd_, SHUT_RDWR); // wakes the blocked accept()
        if (thread_.joinable()) thread_.join();
        ::close(listenFd_);
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

  private:
    void Serve() {
        while (true) {
            const int fd = ::accept(listenFd_, nullptr, nullptr);
            if (fd < 0) return;
            const std::string request = ReadRequest(fd);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            const std::string answer = respond_(request);
            for (size_t sent = 0; sent < answer.size();) {
                const ssize_t n =
                    ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            ::close(fd);
        }
    }

    // The header block, then as many body bytes as Content-Length names.
    static std::string ReadRequest(int fd) {
        std::string data;
        char buffer[4096];
        size_t wanted = std::string::npos;
        while (wanted == std::string::npos || data.size() < wanted) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            data.append(buffer, static_cast<size_t>(n));
            const size_t end = data.find("\r\n\r\n");
            if (wanted == std::string::npos && end != std::string::npos) {
                size_t bodyLength = 0;
                const size_t field = data.find("Content-Length: ");
                if (field != std::string::npos && field < end)
                    bodyLength = std::stoul(data.substr(field + 16));
                wanted = end + 4 + bodyLength;
            }
        }
        return data;
    }

    std::function<std::string(const std::string&)> respond_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

// A complete answer with a Content-Length; `head` is the status line and any header lines,
// each ended by CR LF.
inline std::string RawAnswer(const std::string& head, const std::string& body) {
    return head + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace veldo::testing
