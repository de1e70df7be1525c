#pragma once
#include "text/text_types.h"
#include <string_view>

namespace veldo {

// Decodes the escapes of a JSON record as a single-quoted script literal followed by
// unescape() would: \uXXXX, %uXXXX, %XX, \n, \x41, \101, \/ ... GBK in, GBK out; characters that
// GBK cannot hold become "?". CR LF pairs and apostrophes survive unchanged.
Text DecodeEscapes(std::string_view text);

} // namespace veldo
