// Threads: see stream.h.
#include "platform/audio/stream.h"

#include <algorithm>

#include "platform/audio/engine_stats.h"

namespace veldo::audio {

namespace {
constexpr size_t kResumeBytes = kDeviceRate; // a quarter second, to leave stalled

std::atomic<size_t> liveStreams{0};
} // namespace

size_t LiveStreamCount() {
    return liveStreams.load();
}

Stream::LiveCount::LiveCount() {
    liveStreams.fetch_add(1);
}

Stream::LiveCount::~LiveCount() {
    liveStreams.fetch_sub(1);
}

Stream::Stream(std::string url, FetchLimits limits) : pipeline_(std::move(url), limits) {}

void Stream::Play() {
    if (ended_.load()) return; // played to its end: stays stopped
    stopRequested_.store(false);
    state_.store(int(ChannelState::Playing));
}

bool Stream::Pause() {
    int current = state_.load();
    while (current == int(ChannelState::Playing) || current == int(ChannelState::Stalled)) {
        if (state_.compare_exchange_weak(current, int(ChannelState::Paused))) return true;
    }
    return current == int(ChannelState::Paused);
}

void Stream::Stop() {
    stopRequested_.store(true);
    state_.store(int(ChannelState::Stopped));
}

bool Stream::StoppedOrEnded() const {
    return stopRequested_.load() || ended_.load();
}

size_t Stream::Render(uint8_t* target, size_t bytes, int64_t nowNs) {
    int state = state_.load();
    if (state == int(ChannelState::Stalled)) {
        if (pipeline_.Readable() < kResumeBytes && !pipeline_.DecodeDone()) return 0;
        if (!state_.compare_exchange_strong(state, int(ChannelState::Playing))) return 0;
    } else if (state != int(ChannelState::Playing)) {
        return 0;
    }
    const bool decodeDone = pipeline_.DecodeDone(); // read before the ring, so nothing is missed
    const size_t got = pipeline_.Read(target, bytes);
    clock_.Record(target, got / kDeviceFrameBytes, nowNs);
    if (got < bytes) {
        int playing = int(ChannelState::Playing);
        if (decodeDone && pipeline_.Readable() == 0) {
            ended_.store(true);
            state_.compare_exchange_strong(playing, int(ChannelState::Stopped));
        } else {
            state_.compare_exchange_strong(playing, int(ChannelState::Stalled));
        }
    }
    return got;
}

int64_t Stream::LengthBytes() const {
    const int64_t frames = pipeline_.LengthFrames();
    return frames < 0 ? -1 : frames * SourceFrameBytes();
}

int64_t Stream::PositionBytes() const {
    // Every frame was heard: the position is the length, whatever the rounding of the rates.
    if (ended_.load()) return pipeline_.DecodedFrames() * SourceFrameBytes();
    // Device frames to source frames with the resampling ratio.
    const uint64_t heard = clock_.HeardFrames(State() == ChannelState::Playing);
    int64_t frames = int64_t(heard * uint64_t(pipeline_.SourceRate()) / kDeviceRate);
    frames = std::min(frames, pipeline_.DecodedFrames());
    return frames * SourceFrameBytes();
}

double Stream::BytesToSeconds(int64_t bytes) const {
    return double(bytes) / double(pipeline_.SourceRate() * SourceFrameBytes());
}

void Stream::HeardSpectrum(float* out) {
    const ChannelState state = State();
    if (state != ChannelState::Playing && state != ChannelState::Paused) {
        std::fill(out, out + kFftSize / 2, 0.0f); // nothing sounds: the bars fall
        return;
    }
    clock_.HeardSpectrum(state == ChannelState::Playing, out);
}

} // namespace veldo::audio
