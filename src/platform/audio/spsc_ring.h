#pragma once
/* Threads: exactly one producer thread calls Write and exactly one consumer thread calls Read.
 * Any thread may call Readable. The read and write counters are atomics; each side only
 * stores its own counter (release) and loads the other one (acquire), so the bytes between
 * them are owned by one side at a time and no lock is needed. */
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace veldo::audio {

// A lock-free single-producer single-consumer byte ring. The storage is allocated once.
class SpscRing {
  public:
    // `capacity` is rounded up to a power of two.
    explicit SpscRing(size_t capacity) {
        size_t size = 1;
        while (size < capacity)
            size <<= 1;
        mask_ = size - 1;
        data_ = std::make_unique<uint8_t[]>(size);
    }

    size_t Capacity() const { return mask_ + 1; }
    size_t Readable() const {
        return size_t(written_.load(std::memory_order_acquire) -
                      read_.load(std::memory_order_acquire));
    }

    // Producer side: copies up to `length` bytes, returns how many fitted.
    size_t Write(const void* source, size_t length) {
        const uint64_t writePos = written_.load(std::memory_order_relaxed);
        const uint64_t readPos = read_.load(std::memory_order_acquire);
        const size_t room = Capacity() - size_t(writePos - readPos);
        const size_t n = std::min(room, length);
        const size_t at = size_t(writePos) & mask_;
        const size_t first = std::min(n, Capacity() - at);
        std::memcpy(data_.get() + at, source, first);
        std::memcpy(data_.get(), static_cast<const uint8_t*>(source) + first, n - first);
        written_.store(writePos + n, std::memory_order_release);
        return n;
    }

    // Consumer side: copies up to `length` bytes out, returns how many there were.
    size_t Read(void* target, size_t length) {
        const uint64_t readPos = read_.load(std::memory_order_relaxed);
        const uint64_t writePos = written_.load(std::memory_order_acquire);
        const size_t n = std::min(size_t(writePos - readPos), length);
        const size_t at = size_t(readPos) & mask_;
        const size_t first = std::min(n, Capacity() - at);
        std::memcpy(target, data_.get() + at, first);
        std::memcpy(static_cast<uint8_t*>(target) + first, data_.get(), n - first);
        read_.store(readPos + n, std::memory_order_release);
        return n;
    }

  private:
    std::unique_ptr<uint8_t[]> data_;
    size_t mask_ = 0;
    std::atomic<uint64_t> written_{0};
    std::atomic<uint64_t> read_{0};
};

} // namespace veldo::audio
