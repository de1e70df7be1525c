#pragma once
// The sample site's sounds: a fixed catalogue, identical on every run.
#include <string>
#include <string_view>
#include <vector>

namespace veldo {

// How a hidden test sound misbehaves; the listed sounds are all `None`.
enum class SoundFault {
    None,
    TruncatedMp3,     // the MP3 promises its whole length, sends half, then the connection closes
    StallingMp3,      // the MP3 pauses half way for a few seconds, then completes
    HtmlInsteadOfMp3, // the MP3 address answers 200 with an HTML page
    MissingCover,     // the cover address answers 404
};

struct SampleSound {
    std::string id;       // decimal digits
    std::string name;     // UTF-8, plain text (not HTML-escaped)
    std::string uploader; // UTF-8
    int durationSeconds = 0;
    SoundFault fault = SoundFault::None;
};

// The 45 listed sounds in listing order (newest first, as the exploration pages show them).
const std::vector<SampleSound>& ListedSounds();

// The hidden sounds that misbehave on purpose; never listed, reachable by id.
const std::vector<SampleSound>& FaultySounds();

// A listed or hidden sound by id; nullptr when there is none.
const SampleSound* FindSound(std::string_view id);

} // namespace veldo
