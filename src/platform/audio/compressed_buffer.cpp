#include "platform/audio/compressed_buffer.h"

#include <algorithm>

namespace veldo::audio {

void CompressedBuffer::SetArrivalHook(std::function<void(const char*, size_t)> hook) {
    arrivalHook_ = std::move(hook);
}

void CompressedBuffer::SetExpectedSize(int64_t bytes) {
    std::lock_guard lock(mutex_);
    expectedSize_ = bytes;
    if (bytes > 0) bytes_.reserve(std::min(size_t(bytes), kMaxHeldBytes));
}

void CompressedBuffer::Append(const char* data, size_t length) {
    if (arrivalHook_) arrivalHook_(data, length);
    {
        std::unique_lock lock(mutex_);
        // Never past the limit, so the storage reserved for it is never reallocated.
        room_.wait(lock, [&] {
            return aborted_ || bytes_.empty() || bytes_.size() + length <= kMaxHeldBytes;
        });
        if (aborted_) return;
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
    room_.notify_all();
}

void CompressedBuffer::WaitRead(size_t offset, size_t maxLength, std::string& out) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return aborted_ || base_ + bytes_.size() > offset || result_ != FetchResult::Running;
    });
    if (aborted_ || offset < base_ || offset >= base_ + bytes_.size()) {
        out.clear();
        return;
    }
    const size_t start = offset - base_;
    out.assign(bytes_, start, std::min(maxLength, bytes_.size() - start));
    // Drop what has been read once it is half of what is held, so that each byte is moved at
    // most once on average; a small buffer is not trimmed at every read.
    constexpr size_t kMinDropBytes = size_t{1} << 20;
    const size_t read = start + out.size();
    if (read >= bytes_.size() / 2 && read >= kMinDropBytes) {
        bytes_.erase(0, read);
        base_ += read;
        lock.unlock();
        room_.notify_all();
    }
}

int64_t CompressedBuffer::ExpectedSize() const {
    std::lock_guard lock(mutex_);
    return expectedSize_;
}

size_t CompressedBuffer::Size() const {
    std::lock_guard lock(mutex_);
    return base_ + bytes_.size();
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
