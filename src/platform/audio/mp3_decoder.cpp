#include "platform/audio/mp3_decoder.h"

#include <mpg123.h>

#include <mutex>

namespace veldo::audio {

void EnsureMpg123Initialised() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

Mp3Decoder::Mp3Decoder() {
    EnsureMpg123Initialised();
    int error = 0;
    handle_ = mpg123_new(nullptr, &error);
    if (!handle_) return;
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Every rate and channel count, always as signed 16-bit samples.
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(handle_) != MPG123_OK) {
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
}

Mp3Decoder::~Mp3Decoder() {
    if (handle_) mpg123_delete(handle_);
}

void Mp3Decoder::SetFileSize(int64_t bytes) {
    if (bytes > 0) fileSize_ = bytes;
}

bool Mp3Decoder::Feed(const void* data, size_t length) {
    audio_.clear();
    skipper_.Pass(static_cast<const char*>(data), length, audio_);
    if (audio_.empty()) return true;
    if (fileSize_ > 0 && !sizeGiven_) {
        mpg123_set_filesize(handle_, off_t(fileSize_ - int64_t(skipper_.SkippedBytes())));
        sizeGiven_ = true;
    }
    return mpg123_feed(handle_, reinterpret_cast<const unsigned char*>(audio_.data()),
                       audio_.size()) == MPG123_OK;
}

Mp3Decoder::Step Mp3Decoder::Next(const uint8_t*& pcm, size_t& bytes) {
    off_t frameNumber = 0;
    unsigned char* audio = nullptr;
    size_t size = 0;
    const int result = mpg123_decode_frame(handle_, &frameNumber, &audio, &size);
    pcm = audio;
    bytes = size;
    switch (result) {
    case MPG123_OK:
        return Step::Audio;
    case MPG123_NEW_FORMAT:
        return Step::NewFormat;
    case MPG123_NEED_MORE:
        return Step::NeedMore;
    default:
        return Step::Error;
    }
}

PcmFormat Mp3Decoder::Format() const {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK) return {};
    return {rate, channels};
}

int64_t Mp3Decoder::LengthEstimate() {
    const off_t length = mpg123_length(handle_);
    if (length <= 0) return -1;
    // Without a file size or a header, libmpg123 answers with what it has decoded so far; a
    // header's frame count shows as a length beyond that.
    if (!sizeGiven_ && !lengthKnown_ && length <= mpg123_tell(handle_)) return -1;
    lengthKnown_ = true;
    return int64_t(length);
}

} // namespace veldo::audio
