#pragma once
// Cutting single texts out of web text by markers.
#include "text/text_types.h"
#include <string_view>

namespace veldo {

// The text strictly between the first `left` and the first `right` after it; ASCII letter case
// ignored; "#引号" in either marker stands for a double quote. Empty when either is missing.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right);

// Everything after the last occurrence of `marker` (case respected); empty when it is missing.
Text TextRightOfLast(std::string_view text, std::string_view marker);

// Everything before the first occurrence of `marker` (case respected); empty when it is missing.
Text TextLeftOf(std::string_view text, std::string_view marker);

} // namespace veldo
