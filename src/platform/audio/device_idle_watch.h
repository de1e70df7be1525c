#pragma once
/* Threads: one watch thread of its own calls `check` every kPollInterval while the watch is
 * armed, and sleeps on `wake_` without a time-out while it is not, so it never wakes a process
 * that has no device open. Arm() is called by the engine's callers (any thread, under the
 * engine's lock); `mutex_` guards `armed_`, `generation_` and `quit_`. `check` runs without
 * `mutex_` held, so it may take the engine's lock and block on closing the device. */
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace veldo::audio {

// Asks `check` at intervals whether the output device may be closed now, only while a device
// is open. `check` closes it when it may and returns true once no device is open; the watch
// then sleeps until the next Arm().
class DeviceIdleWatch {
  public:
    static constexpr std::chrono::milliseconds kPollInterval{500};

    explicit DeviceIdleWatch(std::function<bool()> check) : check_(std::move(check)) {}
    // Ends the watch thread; a `check` under way finishes first.
    ~DeviceIdleWatch();
    DeviceIdleWatch(const DeviceIdleWatch&) = delete;
    DeviceIdleWatch& operator=(const DeviceIdleWatch&) = delete;

    // A device was opened: start asking. Starts the thread on the first call.
    void Arm();

  private:
    void Run();

    std::function<bool()> check_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool armed_ = false;
    unsigned generation_ = 0; // counts Arm() calls, so a check that saw the device closed
                              // never disarms a device opened meanwhile
    bool quit_ = false;
    std::thread thread_;
};

} // namespace veldo::audio
