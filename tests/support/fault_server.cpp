/* Threads: see fault_server.h. The accept thread starts one thread per connection and records
 * its socket in openFds_ (under mutex_) so that Stop() can shut it down; the connection thread
 * removes it again before closing, so no descriptor is shut down after reuse. */
#include "fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace veldo::testing {

bool FaultConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        if (server_.Stopping()) return false;
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool FaultConnection::Trickle(std::string_view bytes, int gapMs) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && !Wait(gapMs)) return false;
        if (!Send(bytes.substr(i, 1))) return false;
    }
    return true;
}

bool FaultConnection::Wait(int ms) {
    return server_.WaitFor(std::chrono::milliseconds(ms));
}

void FaultConnection::Reset() {
    const linger abortive{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    reset_ = true;
}

FaultServer::FaultServer(Handler handler) : handler_(std::move(handler)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) ||
        ::listen(listenFd_, 64) ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length))
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { Accept(); });
}

FaultServer::~FaultServer() {
    Stop();
    ::shutdown(listenFd_, SHUT_RDWR); // wakes the blocked accept()
    if (acceptThread_.joinable()) acceptThread_.join();
    for (std::thread& connection : connections_)
        connection.join();
    ::close(listenFd_);
}

std::vector<std::string> FaultServer::Targets() const {
    std::lock_guard lock(mutex_);
    return targets_;
}

void FaultServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_.store(true);
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
    }
    wake_.notify_all();
}

bool FaultServer::WaitFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

void FaultServer::Accept() {
    while (true) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        std::lock_guard lock(mutex_);
        if (stopping_.load()) {
            ::close(fd);
            continue;
        }
        openFds_.push_back(fd);
        connections_.emplace_back([this, fd] { Serve(fd); });
    }
}

void FaultServer::Serve(int fd) {
    // The request head is all a GET carries.
    std::string request;
    std::array<char, 4096> buffer;
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        request.append(buffer.data(), static_cast<size_t>(n));
    }
    const size_t targetStart = request.find(' ');
    const size_t targetEnd = request.find(' ', targetStart + 1);
    const std::string target = targetStart == std::string::npos || targetEnd == std::string::npos
                                   ? std::string()
                                   : request.substr(targetStart + 1, targetEnd - targetStart - 1);
    if (!target.empty()) {
        {
            std::lock_guard lock(mutex_);
            targets_.push_back(target);
        }
        FaultConnection connection(*this, fd);
        if (!Stopping()) handler_(target, connection);
    }
    std::lock_guard lock(mutex_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::close(fd);
}

std::string AnswerHead(const std::string& status, const std::string& contentType,
                       std::uint64_t contentLength, const std::string& extraLines) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(contentLength) + "\r\n" + extraLines +
           "Connection: close\r\n\r\n";
}

namespace {

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(value >> shift));
}

void AppendChunk(std::string& out, std::string_view type, std::string_view data) {
    AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type) + std::string(data);
    out += typed;
    AppendBigEndian(out, Crc32(typed));
}

} // namespace

std::string PngClaiming(std::uint32_t width, std::uint32_t height) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    AppendBigEndian(header, width);
    AppendBigEndian(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    AppendChunk(png, "IHDR", header);
    // A stored (uncompressed) deflate block of zero bytes: the first rows, nothing more.
    std::string data("\x78\x01\x00\x00\x40\xff\xbf", 7);
    data += std::string(0x4000, '\0');
    AppendChunk(png, "IDAT", data);
    AppendChunk(png, "IEND", "");
    return png;
}

} // namespace veldo::testing
