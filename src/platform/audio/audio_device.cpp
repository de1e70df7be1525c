// Threads: see audio_device.h.
#include "platform/audio/audio_device.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace veldo::audio {

namespace {
constexpr Uint16 kDeviceBufferFrames = 2048; // 46 ms: few wake-ups, latency compensated
}

bool AudioDevice::Open() {
    if (device_) return true;
    // SDL's own SIGINT and SIGTERM handlers would only queue a quit event that nobody reads,
    // and the program would no longer end on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    // Sized once, before any device thread exists, so the thread's creation orders this write
    // before every callback (ThreadSanitizer did not see the order SDL's unpausing gives). With
    // no allowed changes, the callback always asks for exactly this many bytes.
    if (scratch_.empty()) scratch_.assign(size_t{kDeviceBufferFrames} * kDeviceFrameBytes, 0);
    SDL_AudioSpec want{};
    want.freq = kDeviceRate;
    want.format = AUDIO_S16SYS;
    want.channels = kDeviceChannels;
    want.samples = kDeviceBufferFrames;
    want.callback = &AudioDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the hardware wants behind the callback.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    started_ = false;
    return true;
}

void AudioDevice::Close() {
    if (!device_) return;
    SDL_CloseAudioDevice(device_); // waits for the callback to finish
    device_ = 0;
    started_ = false;
    // SDL's audio goes too: no thread of it stays to wake the process while nothing plays.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioDevice::Needed() const {
    return std::any_of(streams_.begin(), streams_.end(), [](const auto& stream) {
        const ChannelState state = stream->State();
        return state == ChannelState::Playing || state == ChannelState::Stalled;
    });
}

void AudioDevice::BetweenCallbacks(const std::function<void()>& change) {
    if (device_) SDL_LockAudioDevice(device_);
    change();
    if (device_) SDL_UnlockAudioDevice(device_);
}

void AudioDevice::Start() {
    if (device_ && !started_) {
        SDL_PauseAudioDevice(device_, 0);
        started_ = true;
    }
}

void AudioDevice::Add(std::shared_ptr<Stream> stream) {
    // The longer list is built beside the one the callback may be reading (reading it here is
    // safe: only the caller holding the engine lock writes it) and swapped in under the device
    // lock, so the storage the callback walks never changes under it. The old list is freed
    // after unlocking.
    std::vector<std::shared_ptr<Stream>> list;
    list.reserve(streams_.size() + 1);
    list.assign(streams_.begin(), streams_.end());
    list.push_back(std::move(stream));
    if (device_) SDL_LockAudioDevice(device_);
    streams_.swap(list);
    if (device_) SDL_UnlockAudioDevice(device_);
}

void AudioDevice::Remove(const Stream* stream) {
    std::shared_ptr<Stream> keep; // released after unlocking, never inside the callback
    if (device_) SDL_LockAudioDevice(device_);
    auto it = std::find_if(streams_.begin(), streams_.end(),
                           [&](const auto& s) { return s.get() == stream; });
    if (it != streams_.end()) {
        keep = std::move(*it);
        streams_.erase(it);
    }
    if (device_) SDL_UnlockAudioDevice(device_);
}

void AudioDevice::RemoveAll() {
    std::vector<std::shared_ptr<Stream>> keep; // released after unlocking
    if (device_) SDL_LockAudioDevice(device_);
    streams_.swap(keep);
    if (device_) SDL_UnlockAudioDevice(device_);
}

void AudioDevice::Callback(void* self, uint8_t* out, int length) {
    static_cast<AudioDevice*>(self)->Mix(out, length);
}

// Saturating sum of every stream's PCM; silence where a stream has none.
void AudioDevice::Mix(uint8_t* out, int length) {
    std::memset(out, 0, size_t(length));
    const size_t bytes = std::min(size_t(length), scratch_.size());
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    bool first = true;
    for (const auto& stream : streams_) {
        const size_t got = stream->Render(first ? out : scratch_.data(), bytes, now);
        if (got == 0) continue;
        if (first) {
            first = false;
            continue;
        }
        auto* mixed = reinterpret_cast<int16_t*>(out);
        const auto* add = reinterpret_cast<const int16_t*>(scratch_.data());
        for (size_t i = 0; i < got / 2; ++i)
            mixed[i] = int16_t(std::clamp(int(mixed[i]) + int(add[i]), -32768, 32767));
    }
}

} // namespace veldo::audio
