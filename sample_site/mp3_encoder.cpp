#include "sample_site/mp3_encoder.h"

#include <lame/lame.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace veldo {

std::string EncodeMp3(const std::vector<int16_t>& pcm, const Mp3Settings& settings) {
    std::unique_ptr<lame_global_flags, decltype(&lame_close)> lame(lame_init(), &lame_close);
    if (!lame || settings.channels < 1 || settings.channels > 2) return {};
    lame_set_in_samplerate(lame.get(), settings.sampleRate);
    lame_set_out_samplerate(lame.get(), settings.sampleRate);
    lame_set_num_channels(lame.get(), settings.channels);
    lame_set_mode(lame.get(), settings.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame.get(), settings.bitrateKbps);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_bWriteVbrTag(lame.get(), settings.lameTag ? 1 : 0);
    lame_set_quality(lame.get(), settings.quality);
    if (lame_init_params(lame.get()) < 0) return {};

    const int frames = static_cast<int>(pcm.size() / settings.channels);
    std::string out;
    // Worst case from lame.h: 1.25 * samples + 7200.
    std::vector<unsigned char> buffer(frames + frames / 4 + 7200);
    int written = 0;
    if (frames > 0) {
        auto* samples = const_cast<short*>(reinterpret_cast<const short*>(pcm.data()));
        written = settings.channels == 2
                      ? lame_encode_buffer_interleaved(lame.get(), samples, frames, buffer.data(),
                                                       static_cast<int>(buffer.size()))
                      : lame_encode_buffer(lame.get(), samples, samples, frames, buffer.data(),
                                           static_cast<int>(buffer.size()));
        if (written < 0) return {};
        out.append(reinterpret_cast<char*>(buffer.data()), written);
    }
    written = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (written > 0) out.append(reinterpret_cast<char*>(buffer.data()), written);

    if (settings.lameTag) {
        // The tag frame is the first frame of the file, reserved as silence by the encoder and
        // filled in once the totals are known.
        unsigned char tag[2880];
        const size_t size = lame_get_lametag_frame(lame.get(), tag, sizeof tag);
        if (size > 0 && size <= out.size())
            out.replace(0, size, reinterpret_cast<char*>(tag), size);
    }
    return out;
}

std::vector<int16_t> SineTone(double hz, double seconds, double amplitude,
                              const Mp3Settings& settings) {
    const auto frames = static_cast<size_t>(seconds * settings.sampleRate);
    std::vector<int16_t> pcm(frames * settings.channels);
    for (size_t i = 0; i < frames; ++i) {
        const double v =
            amplitude * 32767.0 *
            std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / settings.sampleRate);
        for (int c = 0; c < settings.channels; ++c)
            pcm[i * settings.channels + c] = static_cast<int16_t>(std::lround(v));
    }
    return pcm;
}

} // namespace veldo
