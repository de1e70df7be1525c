/* Threads: see fault_server.h. The accept thread starts one thread per connection and records
 * its socket in openFds_ (under mutex_) so that Stop() can shut it down; the connection thread
 * removes it again before closing, so no descriptor is shut down after reuse. */
#include "fault_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace veldo::testing {

bool FaultConnection::Send(std::string_view bytes) {
    // Stop() shuts the socket down, which ends a send under way.
    return !server_.Stopping() && SendAll(fd_, bytes);
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

FaultServer::FaultServer(Handler handler) : handler_(std::move(handler)) {}

FaultServer::~FaultServer() {
    Stop();
    listener_.Close(); // no connection thread is added after this
    for (std::thread& connection : connections_)
        connection.join();
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

void FaultServer::Accept(int fd) {
    std::lock_guard lock(mutex_);
    if (stopping_.load()) {
        ::close(fd);
        return;
    }
    openFds_.push_back(fd);
    connections_.emplace_back([this, fd] { Serve(fd); });
}

void FaultServer::Serve(int fd) {
    // The request head is all a GET carries.
    const std::string target = RequestTarget(ReadRequest(fd, false));
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
