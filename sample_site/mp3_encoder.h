#pragma once
// MP3 encoding of 16-bit PCM with libmp3lame, deterministic for the same input.
#include <cstdint>
#include <string>
#include <vector>

namespace veldo {

struct Mp3Settings {
    int sampleRate = 44100;
    int channels = 2;      // 1 or 2
    int bitrateKbps = 128; // constant bit rate
    bool lameTag = true;   // write the LAME/Xing frame that carries the exact length
    int quality = 5;       // LAME's 0 (best, slowest) .. 9 (fastest)
};

// `pcm` holds interleaved samples (frames x channels). Returns the MP3 file's bytes; empty when
// the encoder refuses the settings.
std::string EncodeMp3(const std::vector<int16_t>& pcm, const Mp3Settings& settings = {});

// A sine tone of `hz` at `amplitude` (0..1 of full scale), `seconds` long, on every channel.
std::vector<int16_t> SineTone(double hz, double seconds, double amplitude = 0.5,
                              const Mp3Settings& settings = {});

} // namespace veldo
