// Threads: see stream.h.
#include "platform/audio/stream.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/audio/bass.h"
#include "platform/audio/device_converter.h"
#include "platform/audio/engine_stats.h"
#include "platform/audio/mp3_decoder.h"

namespace veldo::audio {

namespace {
constexpr size_t kRingBytes = 256 * 1024;    // about 1.5 s of device audio
constexpr size_t kResumeBytes = kDeviceRate; // a quarter second, to leave stalled
constexpr size_t kFeedChunk = 16 * 1024;     // compressed bytes per mpg123_feed

std::atomic<size_t> liveStreams{0};

int64_t NowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

size_t LiveStreamCount() {
    return liveStreams.load();
}

Stream::Stream(std::string url, FetchLimits limits) : ring_(kRingBytes) {
    liveStreams.fetch_add(1);
    compressed_.SetArrivalHook(
        [this](const char* data, size_t length) { CountArrival(data, length); });
    fetcher_ = std::make_unique<UrlFetcher>(std::move(url), limits, compressed_);
    decoder_ = std::thread([this] { DecodeLoop(); });
}

Stream::~Stream() {
    abort_.store(true);
    compressed_.Abort();
    fetcher_->Abort();
    { std::lock_guard lock(wakeMutex_); }
    wake_.notify_all();
    if (decoder_.joinable()) decoder_.join();
    fetcher_.reset();
    liveStreams.fetch_sub(1);
}

// Fetch thread. Only a file of unknown size is counted: for the others libmpg123 knows or
// estimates the length from the header or the size.
void Stream::CountArrival(const char* data, size_t length) {
    if (compressed_.ExpectedSize() > 0) return;
    if (!arrivalCounter_) arrivalCounter_ = std::make_unique<FrameCounter>();
    arrivalCounter_->Feed(data, length);
    arrivedFrames_.store(arrivalCounter_->Frames());
}

bool Stream::WaitUntilReady(std::chrono::milliseconds limit) {
    std::unique_lock lock(readyMutex_);
    if (!readyChanged_.wait_for(lock, limit, [this] { return readyKnown_; })) {
        // A server that trickles bytes never trips the stall time-out; give up anyway.
        readyKnown_ = true;
        readyOk_ = false;
        error_ = BASS_ERROR_TIMEOUT;
    }
    return readyOk_;
}

void Stream::SignalReady(bool ok, int error) {
    {
        std::lock_guard lock(readyMutex_);
        if (readyKnown_) return;
        readyKnown_ = true;
        readyOk_ = ok;
        error_ = error;
    }
    readyChanged_.notify_all();
}

void Stream::DecodeLoop() {
    Mp3Decoder decoder;
    DeviceConverter converter;
    const DeviceConverter::Sink toRing = [this](const uint8_t* data, size_t bytes) {
        return PushDeviceBytes(data, bytes);
    };
    std::string chunk;
    size_t offset = 0;
    bool sizeGiven = false;
    bool haveFormat = false;
    bool prebuffered = false;
    PcmFormat current; // the format libmpg123 gives now
    int64_t earlierFormatsFrames = 0, currentFormatFrames = 0;
    bool failed = !decoder.Usable();
    // An estimate below what has been decoded (a VBR file measured by its size) is raised.
    const auto storeLength = [&] {
        const int64_t estimate = decoder.LengthEstimate();
        lengthFrames_.store(estimate < 0 ? -1 : std::max(estimate, decodedFrames_.load()));
    };

    while (!failed && !abort_.load()) {
        compressed_.WaitRead(offset, kFeedChunk, chunk);
        if (chunk.empty()) break; // download over (or aborted) and everything fed
        if (!sizeGiven) {
            decoder.SetFileSize(compressed_.ExpectedSize());
            sizeGiven = true;
        }
        offset += chunk.size();
        if (!decoder.Feed(chunk.data(), chunk.size())) break;
        for (bool more = true; more && !failed && !abort_.load();) {
            const uint8_t* pcm = nullptr;
            size_t bytes = 0;
            switch (decoder.Next(pcm, bytes)) {
            case Mp3Decoder::Step::NewFormat: {
                const PcmFormat format = decoder.Format();
                if (!haveFormat) {
                    // The channel keeps its first format; later changes are only converted.
                    sourceRate_ = format.rate;
                    sourceChannels_ = format.channels;
                    haveFormat = true;
                } else if (format.rate == current.rate && format.channels == current.channels) {
                    break; // the same format again: keep the resampler's state
                } else if (!converter.Flush(toRing)) {
                    failed = true; // aborted while the old format's tail went out
                    break;
                }
                current = format;
                earlierFormatsFrames = decodedFrames_.load();
                currentFormatFrames = 0;
                if (!converter.Open(format.rate, format.channels)) failed = true;
                break;
            }
            case Mp3Decoder::Step::Audio:
                if (!haveFormat || bytes == 0) break;
                // Counted in the channel's first format, from the frames of each format.
                currentFormatFrames += int64_t(bytes / size_t(current.channels * 2));
                decodedFrames_.store(earlierFormatsFrames +
                                     currentFormatFrames * sourceRate_ / current.rate);
                if (!converter.Put(pcm, bytes, toRing)) failed = true;
                if (!prebuffered && decodedFrames_.load() >= sourceRate_ / 2) {
                    prebuffered = true;
                    storeLength();
                    SignalReady(true, 0);
                }
                break;
            case Mp3Decoder::Step::NeedMore:
                more = false;
                break;
            case Mp3Decoder::Step::Error:
                failed = true;
                break;
            }
        }
        storeLength();
    }

    // The resampler's tail is the end of the sound: it goes out like the rest.
    if (!abort_.load()) converter.Flush(toRing);
    lengthFrames_.store(decodedFrames_.load());
    decodeDone_.store(true);
    if (decodedFrames_.load() > 0) {
        SignalReady(true, 0); // a sound shorter than the prebuffer
    } else {
        const int fetchError =
            compressed_.Result() == FetchResult::Failed ? compressed_.Error() : 0;
        SignalReady(false, fetchError ? fetchError : BASS_ERROR_FORMAT);
    }
}

// Writes all of `data` into the ring, sleeping while it is full. False when aborted.
bool Stream::PushDeviceBytes(const uint8_t* data, size_t length) {
    while (length > 0) {
        const size_t written = ring_.Write(data, length);
        data += written;
        length -= written;
        if (length == 0) break;
        // Sleep until the device has taken half the ring: Render wakes us then. The time-out
        // only covers a wake-up that slipped between our check and our wait.
        std::unique_lock lock(wakeMutex_);
        decoderWaiting_.store(true);
        wake_.wait_for(lock, std::chrono::milliseconds(100), [this] {
            return abort_.load() || ring_.Readable() <= ring_.Capacity() / 2;
        });
        decoderWaiting_.store(false);
        if (abort_.load()) return false;
    }
    return true;
}

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
        if (ring_.Readable() < kResumeBytes && !decodeDone_.load()) return 0;
        if (!state_.compare_exchange_strong(state, int(ChannelState::Playing))) return 0;
    } else if (state != int(ChannelState::Playing)) {
        return 0;
    }
    const bool decodeDone = decodeDone_.load(); // read before the ring, so nothing is missed
    const size_t got = ring_.Read(target, bytes);
    const uint64_t firstFrame = handedFrames_.load(std::memory_order_relaxed);
    const size_t frames = got / kDeviceFrameBytes;
    for (size_t i = 0; i < frames; ++i) {
        uint32_t frame;
        std::memcpy(&frame, target + i * kDeviceFrameBytes, sizeof frame);
        history_[(firstFrame + i) % kHistoryFrames].store(frame, std::memory_order_relaxed);
    }
    lastChunkFrames_.store(uint32_t(frames), std::memory_order_relaxed);
    lastChunkNs_.store(nowNs, std::memory_order_relaxed);
    handedFrames_.store(firstFrame + frames, std::memory_order_release);
    // Wake the decoder once the ring is half empty (notify takes no lock and allocates nothing).
    if (ring_.Readable() <= ring_.Capacity() / 2 && decoderWaiting_.exchange(false))
        wake_.notify_one();
    if (got < bytes) {
        int playing = int(ChannelState::Playing);
        if (decodeDone && ring_.Readable() == 0) {
            ended_.store(true);
            state_.compare_exchange_strong(playing, int(ChannelState::Stopped));
        } else {
            state_.compare_exchange_strong(playing, int(ChannelState::Stalled));
        }
    }
    return got;
}

// Device frames the listener has heard: what was handed to SDL minus the part of the last
// chunk that is still being played out.
uint64_t Stream::HeardDeviceFrames() const {
    const uint64_t handed = handedFrames_.load(std::memory_order_acquire);
    if (State() != ChannelState::Playing) return handed;
    const int64_t elapsedNs = NowNs() - lastChunkNs_.load(std::memory_order_relaxed);
    const uint64_t played = uint64_t(std::max<int64_t>(0, elapsedNs) * kDeviceRate / 1000000000);
    const uint64_t pending = lastChunkFrames_.load(std::memory_order_relaxed);
    const uint64_t unheard = played >= pending ? 0 : pending - played;
    return handed >= unheard ? handed - unheard : 0;
}

int64_t Stream::LengthBytes() const {
    int64_t frames = lengthFrames_.load();
    // The fetch thread counted every frame before it marked the download complete.
    if (frames < 0 && compressed_.Result() == FetchResult::Complete) frames = arrivedFrames_.load();
    return frames < 0 ? -1 : frames * SourceFrameBytes();
}

int64_t Stream::PositionBytes() const {
    // Every frame was heard: the position is the length, whatever the rounding of the rates.
    if (ended_.load()) return decodedFrames_.load() * SourceFrameBytes();
    // Device frames to source frames with the resampling ratio.
    int64_t frames = int64_t(HeardDeviceFrames() * uint64_t(sourceRate_) / kDeviceRate);
    frames = std::min(frames, decodedFrames_.load());
    return frames * SourceFrameBytes();
}

double Stream::BytesToSeconds(int64_t bytes) const {
    return double(bytes) / double(sourceRate_ * SourceFrameBytes());
}

void Stream::HeardSpectrum(float* out) {
    const ChannelState state = State();
    if (state != ChannelState::Playing && state != ChannelState::Paused) {
        std::fill(out, out + kFftSize / 2, 0.0f); // nothing sounds: the bars fall
        return;
    }
    const uint64_t heard = HeardDeviceFrames();
    std::array<float, kFftSize> mono{};
    for (int i = 0; i < kFftSize; ++i) {
        const int64_t index = int64_t(heard) - kFftSize + i;
        if (index < 0) continue;
        const uint32_t frame =
            history_[uint64_t(index) % kHistoryFrames].load(std::memory_order_relaxed);
        int16_t left, right;
        std::memcpy(&left, &frame, 2);
        std::memcpy(&right, reinterpret_cast<const uint8_t*>(&frame) + 2, 2);
        mono[i] = (float(left) + float(right)) / 65536.0f;
    }
    std::lock_guard lock(spectrumMutex_);
    spectrum_.Magnitudes(mono, out);
}

} // namespace veldo::audio
