#pragma once
// GBK <-> UTF-16 with exactly the results of GbkToUtf16 and Utf16ToGbk, but ASCII runs (most of
// an HTML page or a JSON record) are copied directly and only the other runs are converted.
#include "text/text_types.h"
#include <string>
#include <string_view>

namespace veldo {

// `hasSurrogates`, when given, tells whether the result holds any surrogate code unit; without
// one the result is valid UTF-16 by construction.
std::u16string WidenGbk(std::string_view gbk, bool* hasSurrogates = nullptr);

Text NarrowToGbk(std::u16string_view wide);

} // namespace veldo
