#include "platform/audio/compressed_buffer.h"

#include <algorithm>

namespace veldo::audio {

namespace {
// A Content-Length above this is not trusted for reserving memory up front.
constexpr int64_t kMaxReserve = 512LL * 1024 * 1024;
} // namespace

void CompressedBuffer::SetExpectedSize(int64_t bytes) {
    std::lock_guard lock(mutex_);
    expectedSize_ = bytes;
    if (bytes > 0 && bytes <= kMaxReserve) bytes_.reserve(size_t(bytes));
}

void CompressedBuffer::Append(const char* data, size_t length) {
    {
        std::lock_guard lock(mutex_);
        bytes_.append(data, length);
    }
    changed_.notify_all();
}

void CompressedBuffer::Finish(FetchResult result, int error) {
    {
        std::lock_guard lock(mutex_);
        result_ = result;
        error_ = error;
    }
    changed_.notify_all();
}

void CompressedBuffer::Abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    changed_.notify_all();
}

void CompressedBuffer::WaitRead(size_t offset, size_t maxLength, std::string& out) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return aborted_ || bytes_.size() > offset || result_ != FetchResult::Running;
    });
    if (aborted_ || offset >= bytes_.size()) {
        out.clear();
        return;
    }
    out.assign(bytes_, offset, std::min(maxLength, bytes_.size() - offset));
}

int64_t CompressedBuffer::ExpectedSize() const {
    std::lock_guard lock(mutex_);
    return expectedSize_;
}

size_t CompressedBuffer::Size() const {
    std::lock_guard lock(mutex_);
    return bytes_.size();
}

FetchResult CompressedBuffer::Result() const {
    std::lock_guard lock(mutex_);
    return result_;
}

int CompressedBuffer::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

} // namespace veldo::audio
