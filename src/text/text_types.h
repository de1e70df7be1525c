#pragma once
// The three value kinds every part of Veldo passes around.
#include <string>
#include <vector>

namespace veldo {

// A text: bytes in code page 936 (GBK). Positions in it are 0-based byte offsets, with
// std::string::npos for "not found".
using Text = std::string;

// A counted byte sequence that may hold zero bytes (web bodies, pictures, MP3 files).
using ByteArray = std::string;

// A caller-owned, growable list of texts.
using TextList = std::vector<std::string>;

// The quote token "#引号" as GBK bytes: stands for one double quote inside markers and patterns.
inline constexpr char kQuoteToken[] = "#\xD2\xFD\xBA\xC5";

} // namespace veldo
