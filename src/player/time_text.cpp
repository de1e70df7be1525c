#include "player/time_text.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "player/audio_calls.h"

namespace veldo {
namespace {

constexpr double kLongestSeconds = double(INT32_MAX) * 60.0;

Text TwoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// Both parts come from one reading: querying the position once per part could mix the minute
// of one moment with the seconds of the next ("01:59" at one minute).
Text StreamClockText(HSTREAM stream, QWORD bytes) {
    if (bytes == kUnknownBytes) return ClockText(0);
    return ClockText(Audio().channelBytes2Seconds(stream, bytes));
}

} // namespace

int TimePart(double seconds, TimePartKind part) {
    if (!(seconds >= 0)) return 0;
    if (seconds > kLongestSeconds) seconds = kLongestSeconds;
    if (part == TimePartKind::Minutes) return int(seconds / 60);
    return int(std::fmod(seconds, 60));
}

Text ClockText(double seconds) {
    return TwoDigits(TimePart(seconds, TimePartKind::Minutes)) + ":" +
           TwoDigits(TimePart(seconds, TimePartKind::Seconds));
}

Text ElapsedText(HSTREAM stream) {
    return StreamClockText(stream, Audio().channelGetPosition(stream, BASS_POS_BYTE));
}

Text TotalText(HSTREAM stream) {
    return StreamClockText(stream, Audio().channelGetLength(stream, BASS_POS_BYTE));
}

} // namespace veldo
