/* Threads: see fault_proxy.h. Every socket is recorded in openFds_ (under mutex_) while open,
 * so that Stop() can shut it down; the serving thread removes it before closing it. */
#include "fault_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace veldo::testing {
namespace {

int ConnectTo(const std::string& hostAndPort) {
    const auto colon = hostAndPort.rfind(':');
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::stoi(hostAndPort.substr(colon + 1))));
    if (::inet_pton(AF_INET, hostAndPort.substr(0, colon).c_str(), &address.sin_addr) != 1)
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Copies `from` to `to` until either side ends, then half-closes `to`.
void Pump(int from, int to) {
    std::array<char, 16384> buffer;
    for (;;) {
        const ssize_t n = ::recv(from, buffer.data(), buffer.size(), 0);
        if (n <= 0 || !SendAll(to, {buffer.data(), static_cast<size_t>(n)})) break;
    }
    ::shutdown(to, SHUT_WR);
}

} // namespace

FaultProxy::FaultProxy(std::string upstreamHostAndPort, LinkFaults faults)
    : upstream_(std::move(upstreamHostAndPort)), faults_(faults) {}

FaultProxy::~FaultProxy() {
    Stop();
    listener_.Close();
    for (std::thread& thread : threads_)
        thread.join();
}

void FaultProxy::SetFaults(const LinkFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void FaultProxy::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_.store(true);
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
    }
    wake_.notify_all();
}

bool FaultProxy::WaitFor(std::chrono::steady_clock::duration duration) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

void FaultProxy::Forget(int fd) {
    std::lock_guard lock(mutex_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::close(fd);
}

void FaultProxy::Accept(int clientFd) {
    std::lock_guard lock(mutex_);
    if (stopping_.load()) {
        ::close(clientFd);
        return;
    }
    openFds_.push_back(clientFd);
    threads_.emplace_back([this, clientFd] { Serve(clientFd); });
}

void FaultProxy::Serve(int clientFd) {
    const int number = connections_.fetch_add(1) + 1;
    LinkFaults faults;
    {
        std::lock_guard lock(mutex_);
        faults = faults_;
    }
    if (faults.answeredConnections > 0 && number > faults.answeredConnections) {
        Forget(clientFd);
        return;
    }
    if (faults.silent) {
        std::array<char, 4096> sink;
        while (::recv(clientFd, sink.data(), sink.size(), 0) > 0) {
        }
        Forget(clientFd);
        return;
    }
    const int serverFd = ConnectTo(upstream_);
    if (serverFd >= 0) {
        {
            std::lock_guard lock(mutex_);
            openFds_.push_back(serverFd);
            if (stopping_.load()) ::shutdown(serverFd, SHUT_RDWR);
        }
        std::thread requests([&] { Pump(clientFd, serverFd); });
        ShapeAnswer(serverFd, clientFd, faults);
        // The client's side ends the request pump (or the shutdown below does).
        ::shutdown(clientFd, SHUT_RDWR);
        ::shutdown(serverFd, SHUT_RDWR);
        requests.join();
        Forget(serverFd);
    }
    Forget(clientFd);
}

void FaultProxy::ShapeAnswer(int from, int to, const LinkFaults& faults) {
    if (faults.firstByteDelay.count() > 0 && !WaitFor(faults.firstByteDelay)) return;
    const auto start = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    std::array<char, 16384> buffer;
    for (;;) {
        std::size_t want = buffer.size();
        if (faults.cutAfterBytes > 0) want = std::min(want, faults.cutAfterBytes - sent);
        if (faults.bytesPerSecond > 0) want = std::min(want, std::max<std::size_t>(1, faults.bytesPerSecond / 10));
        if (faults.stallFor.count() > 0 && !stalled_.load() && sent < faults.stallAtByte)
            want = std::min(want, faults.stallAtByte - sent);
        if (want == 0) return;
        const ssize_t n = ::recv(from, buffer.data(), want, 0);
        if (n <= 0 || stopping_.load() || !SendAll(to, {buffer.data(), static_cast<size_t>(n)}))
            return;
        sent += static_cast<size_t>(n);
        forwarded_.fetch_add(static_cast<size_t>(n));
        if (faults.stallFor.count() > 0 && sent >= faults.stallAtByte && !stalled_.exchange(true) &&
            !WaitFor(faults.stallFor))
            return;
        if (faults.bytesPerSecond > 0) {
            const auto due = start + std::chrono::microseconds(sent * 1'000'000 / faults.bytesPerSecond);
            if (!WaitFor(due - std::chrono::steady_clock::now())) return;
        }
        if (faults.cutAfterBytes > 0 && sent >= faults.cutAfterBytes) return;
    }
}

} // namespace veldo::testing
