#pragma once
// MP3 (and MP2) files as real sites serve them, made with the Debian encoders (lame, twolame,
// ffmpeg, sox) from a 3 s 1450 Hz sine at -6 dBFS with 5 ms fades, and each file's reference
// length: what mpg123 decodes from it. Made once per test program, in a folder that lives as
// long as the program.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace veldo::testing {

inline constexpr double kVarietyToneHz = 1450;

struct VarietyFile {
    std::string name;       // file name in Folder(), and a readable case name
    int rate = 0;           // sample rate of the first frame
    int channels = 0;       // channels of the first frame
    bool steadyTone = true; // one format throughout: pitch and purity can be measured
    std::string bytes;
    // mpg123's decode of each part, added up: seconds, and frames counted at `rate`.
    double referenceSeconds = 0;
    int64_t referenceFrames = 0;
    // Seconds from the first to the last sample of the decode louder than 500 (the encoders'
    // delay and padding left out), as AudibleLeftChannel measures it.
    double referenceAudibleSeconds = 0;
    // For a steady tone: the loudest spurious line of mpg123's decode resampled to 44.1 kHz by
    // sox's best resampler (MeasureTone), in dB against the tone: what the codec leaves.
    double referenceSpuriousDb = 0;
};

struct Mp3Variety {
    std::filesystem::path folder;
    std::vector<VarietyFile> files;
    std::string missingTool; // non-empty when an encoder or mpg123 is not installed
    const VarietyFile& Get(const std::string& name) const;
};

// mpg123's decode of `file`: interleaved 16-bit samples.
std::vector<int16_t> Mpg123Decode(const std::filesystem::path& file);

// Made on the first call.
const Mp3Variety& TheMp3Variety();

} // namespace veldo::testing
