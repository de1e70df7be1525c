// Threads: see decode_pipeline.h.
#include "platform/audio/decode_pipeline.h"

#include <algorithm>

#include "platform/audio/bass.h"
#include "platform/audio/device_converter.h"
#include "platform/audio/mp3_decoder.h"

namespace veldo::audio {

namespace {
constexpr size_t kRingBytes = 256 * 1024; // about 1.5 s of device audio
constexpr size_t kFeedChunk = 16 * 1024;  // compressed bytes per mpg123_feed
constexpr long kPrebufferMs = 500;        // decoded before the stream counts as ready
} // namespace

DecodePipeline::DecodePipeline(std::string url, FetchLimits limits) : ring_(kRingBytes) {
    compressed_.SetArrivalHook(
        [this](const char* data, size_t length) { CountArrival(data, length); });
    fetcher_ = std::make_unique<UrlFetcher>(std::move(url), limits, compressed_);
    decoder_ = std::thread([this] { DecodeLoop(); });
}

DecodePipeline::~DecodePipeline() {
    abort_.store(true);
    compressed_.Abort();
    fetcher_->Abort();
    roomSignals_.fetch_add(1);
    roomSignals_.notify_all();
    if (decoder_.joinable()) decoder_.join();
    fetcher_.reset();
}

// Fetch thread. Only a file of unknown size is counted: for the others libmpg123 knows or
// estimates the length from the header or the size.
void DecodePipeline::CountArrival(const char* data, size_t length) {
    if (compressed_.ExpectedSize() > 0) return;
    if (!arrivalCounter_) arrivalCounter_ = std::make_unique<FrameCounter>();
    arrivalCounter_->Feed(data, length);
    arrivedFrames_.store(arrivalCounter_->Frames());
}

bool DecodePipeline::WaitUntilReady(std::chrono::milliseconds limit) {
    std::unique_lock lock(readyMutex_);
    if (!readyChanged_.wait_for(lock, limit, [this] { return readyKnown_; })) {
        // A server that trickles bytes never trips the stall time-out; give up anyway.
        readyKnown_ = true;
        readyOk_ = false;
        error_ = BASS_ERROR_TIMEOUT;
    }
    return readyOk_;
}

void DecodePipeline::SignalReady(bool ok, int error) {
    {
        std::lock_guard lock(readyMutex_);
        if (readyKnown_) return;
        readyKnown_ = true;
        readyOk_ = ok;
        error_ = error;
    }
    readyChanged_.notify_all();
}

void DecodePipeline::DecodeLoop() {
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
                if (!prebuffered && decodedFrames_.load() >= sourceRate_ * kPrebufferMs / 1000) {
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
    // A file that could not be fetched whole keeps the length it announced: the sound ends
    // where it stopped, short of its length.
    if (compressed_.Result() == FetchResult::Failed && compressed_.ExpectedSize() > 0) {
        storeLength();
    } else {
        lengthFrames_.store(decodedFrames_.load());
    }
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
bool DecodePipeline::PushDeviceBytes(const uint8_t* data, size_t length) {
    while (length > 0) {
        const size_t written = ring_.Write(data, length);
        data += written;
        length -= written;
        if (length == 0) break;
        // Sleep until the reader has taken half the ring: Read bumps the signals then. The
        // fences pair with Read's: either it sees us waiting, or we see the room it made.
        const uint32_t signals = roomSignals_.load();
        decoderWaiting_.store(true);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (!abort_.load() && ring_.Readable() > ring_.Capacity() / 2) roomSignals_.wait(signals);
        decoderWaiting_.store(false);
        if (abort_.load()) return false;
    }
    return true;
}

size_t DecodePipeline::Read(uint8_t* target, size_t bytes) {
    const size_t got = ring_.Read(target, bytes);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    // Wake the decoder once the ring is half empty (notify takes no lock and allocates nothing).
    if (ring_.Readable() <= ring_.Capacity() / 2 && decoderWaiting_.exchange(false)) {
        roomSignals_.fetch_add(1);
        roomSignals_.notify_one();
    }
    return got;
}

int64_t DecodePipeline::LengthFrames() const {
    const int64_t frames = lengthFrames_.load();
    // The fetch thread counted every frame before it marked the download complete.
    if (frames < 0 && compressed_.Result() == FetchResult::Complete) return arrivedFrames_.load();
    return frames;
}

} // namespace veldo::audio
