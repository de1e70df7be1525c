#include "platform/audio/device_converter.h"

#include <soxr.h>

#include <algorithm>

#include "platform/audio/device_format.h"

namespace veldo::audio {

namespace {
constexpr size_t kChunkFrames = 4096; // device frames converted per step
}

DeviceConverter::DeviceConverter()
    : resampled_(kChunkFrames * kDeviceChannels), stereo_(kChunkFrames * kDeviceChannels) {}

DeviceConverter::~DeviceConverter() {
    Close();
}

void DeviceConverter::Close() {
    if (resampler_) soxr_delete(resampler_);
    resampler_ = nullptr;
    channels_ = 0;
}

bool DeviceConverter::Open(long rate, int channels) {
    Close();
    if (rate <= 0 || channels < 1 || channels > kDeviceChannels) return false;
    channels_ = channels;
    if (rate == kDeviceRate) return true;
    // 16-bit in and out with TPDF dither; the "high quality" recipe keeps the resampler's own
    // products near -140 dB, far under 16-bit noise. One thread: no OpenMP workers.
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    resampler_ = soxr_create(double(rate), double(kDeviceRate), unsigned(channels), &error, &io,
                             &quality, &runtime);
    if (error || !resampler_) {
        Close();
        return false;
    }
    return true;
}

// Widens mono to stereo where needed and hands the frames on.
bool DeviceConverter::Emit(const int16_t* frames, size_t count, const Sink& sink) {
    if (count == 0) return true;
    if (channels_ == kDeviceChannels)
        return sink(reinterpret_cast<const uint8_t*>(frames), count * kDeviceFrameBytes);
    for (size_t at = 0; at < count;) {
        const size_t n = std::min(count - at, kChunkFrames);
        for (size_t i = 0; i < n; ++i)
            stereo_[2 * i] = stereo_[2 * i + 1] = frames[at + i];
        if (!sink(reinterpret_cast<const uint8_t*>(stereo_.data()), n * kDeviceFrameBytes))
            return false;
        at += n;
    }
    return true;
}

bool DeviceConverter::Put(const uint8_t* pcm, size_t bytes, const Sink& sink) {
    if (channels_ == 0) return false;
    const auto* in = reinterpret_cast<const int16_t*>(pcm);
    size_t frames = bytes / (size_t(channels_) * 2);
    if (!resampler_) return Emit(in, frames, sink);
    // Until all input is taken and a step no longer fills the output buffer.
    for (;;) {
        size_t used = 0, made = 0;
        if (soxr_process(resampler_, in, frames, &used, resampled_.data(), kChunkFrames, &made))
            return false;
        in += used * size_t(channels_);
        frames -= used;
        if (!Emit(resampled_.data(), made, sink)) return false;
        if (frames == 0 && made < kChunkFrames) return true;
    }
}

bool DeviceConverter::Flush(const Sink& sink) {
    bool ok = true;
    if (resampler_) {
        // A null input tells libsoxr the signal has ended: it then gives out its delay line.
        for (size_t made = kChunkFrames; ok && made > 0;) {
            made = 0;
            if (soxr_process(resampler_, nullptr, 0, nullptr, resampled_.data(), kChunkFrames,
                             &made))
                ok = false;
            else
                ok = Emit(resampled_.data(), made, sink);
        }
    }
    Close();
    return ok;
}

} // namespace veldo::audio
