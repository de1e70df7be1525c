#pragma once
// Minutes-and-seconds texts of a stream's position and length ("01:05", "100:00"). UI thread.
#include "platform/audio/bass.h"
#include "text/text_types.h"

namespace veldo {

enum class TimePartKind { Minutes, Seconds };

// The whole minutes, or the whole seconds within the minute (0..59), of `seconds`. A negative
// or not-a-number duration (an engine's error answer) counts as 0; minutes stop at INT32_MAX.
int TimePart(double seconds, TimePartKind part);

// "mm:ss" with at least two digits each and an ASCII colon; minutes may have more digits.
Text ClockText(double seconds);

// The stream's current position, and its length. "00:00" when the engine cannot tell.
Text ElapsedText(HSTREAM stream);
Text TotalText(HSTREAM stream);

} // namespace veldo
