// Threads: see device_idle_watch.h.
#include "platform/audio/device_idle_watch.h"

namespace veldo::audio {

DeviceIdleWatch::~DeviceIdleWatch() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void DeviceIdleWatch::Arm() {
    {
        std::lock_guard lock(mutex_);
        armed_ = true;
        ++generation_;
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
}

void DeviceIdleWatch::Run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!armed_) {
            wake_.wait(lock, [this] { return quit_ || armed_; });
            continue;
        }
        if (wake_.wait_for(lock, kPollInterval, [this] { return quit_; })) break;
        const unsigned generation = generation_;
        lock.unlock();
        const bool closed = check_();
        lock.lock();
        if (closed && generation == generation_) armed_ = false;
    }
}

} // namespace veldo::audio
