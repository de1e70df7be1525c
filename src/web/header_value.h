#pragma once
#include "text/text_types.h"

#include <string_view>

namespace veldo {

// The value part of a header line: the bytes after its first ":", spaces removed at both ends;
// empty when the line has no ":".
Text HeaderValue(std::string_view line);

} // namespace veldo
