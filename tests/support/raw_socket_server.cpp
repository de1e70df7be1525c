#include "raw_socket_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace veldo::testing {

RawSocketServer::RawSocketServer(std::function<void(int fd)> onConnection)
    : onConnection_(std::move(onConnection)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) ||
        ::listen(listenFd_, 64) ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length)) {
        if (listenFd_ >= 0) ::close(listenFd_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    if (!onConnection_) return;
    thread_ = std::thread([this] {
        for (;;) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            onConnection_(fd);
        }
    });
}

RawSocketServer::~RawSocketServer() {
    Close();
    ::close(listenFd_);
}

void RawSocketServer::Close() {
    ::shutdown(listenFd_, SHUT_RDWR); // wakes the blocked accept()
    if (thread_.joinable()) thread_.join();
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string ReadRequest(int fd, bool withBody) {
    std::string data;
    std::array<char, 4096> buffer;
    size_t wanted = std::string::npos;
    while (wanted == std::string::npos ? data.size() < 65536 : data.size() < wanted) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        data.append(buffer.data(), static_cast<size_t>(n));
        const size_t end = data.find("\r\n\r\n");
        if (wanted == std::string::npos && end != std::string::npos) {
            size_t bodyLength = 0;
            const size_t field = data.find("Content-Length: ");
            if (withBody && field != std::string::npos && field < end)
                bodyLength = std::stoul(data.substr(field + 16));
            wanted = end + 4 + bodyLength;
        }
    }
    return data;
}

std::string RequestTarget(const std::string& request) {
    const size_t start = request.find(' ');
    const size_t end = request.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos) return {};
    return request.substr(start + 1, end - start - 1);
}

} // namespace veldo::testing
