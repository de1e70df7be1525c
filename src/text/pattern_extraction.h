#pragma once
#include "text/text_types.h"
#include <cstdint>
#include <string_view>

namespace veldo {

// Empties `list`, then appends every text between `left` and the nearest `right` after it, in
// order (ASCII letter case ignored, matches never overlap). Returns the list's size.
int32_t AllTextsBetween(std::string_view subject, std::string_view left, std::string_view right,
                        TextList& list, int32_t maxLength = 0, std::string_view prefix = {},
                        std::string_view suffix = {}, bool includeLeft = false,
                        bool includeRight = false);

// A marker as pattern text that matches it literally: ? * + [ ] ( ) { } escaped, "#引号" made a
// double quote, CR LF made "\n".
Text EscapeMarker(std::string_view text);

} // namespace veldo
