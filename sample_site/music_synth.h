#pragma once
// Short pieces of calm synthesized music: pads, bass, a repeating melody and soft drums over a
// common chord progression. Deterministic: the same seed and length give the same samples.
#include <cstdint>
#include <vector>

namespace veldo {

// `seconds` of stereo music at `sampleRate`, interleaved (frames x 2), peak at about 85% of full
// scale, faded in and out. Different seeds give different key, tempo, progression and tune.
std::vector<int16_t> SynthesizeMusic(uint32_t seed, double seconds, int sampleRate = 44100);

} // namespace veldo
