#include "platform/audio/frame_counter.h"

#include <mpg123.h>

#include "platform/audio/mp3_decoder.h"

namespace veldo::audio {

FrameCounter::FrameCounter() {
    EnsureMpg123Initialised();
    handle_ = mpg123_new(nullptr, nullptr);
    if (!handle_) return;
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    if (mpg123_open_feed(handle_) != MPG123_OK) {
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
}

FrameCounter::~FrameCounter() {
    if (handle_) mpg123_delete(handle_);
}

void FrameCounter::Feed(const char* data, size_t length) {
    if (!handle_ || length == 0) return;
    audio_.clear();
    skipper_.Pass(data, length, audio_);
    if (audio_.empty() ||
        mpg123_feed(handle_, reinterpret_cast<const unsigned char*>(audio_.data()),
                    audio_.size()) != MPG123_OK)
        return;
    for (;;) {
        const int result = mpg123_framebyframe_next(handle_);
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) return; // needs more, or broken
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0)
            continue;
        if (firstRate_ == 0) firstRate_ = rate;
        frames_ += int64_t(mpg123_spf(handle_)) * firstRate_ / rate;
    }
}

} // namespace veldo::audio
