#pragma once
// Searching GBK byte texts without ever matching inside a double-byte character.
// A lead byte is 0x81-0xFE; the byte after it is its trail byte and never starts a match.
// Letter case folding, when asked for, touches ASCII letters only.
#include <string>
#include <string_view>
#include <vector>

namespace veldo {

// Offset of the first occurrence of `needle` that starts on a character boundary at or after
// byte offset `from` (itself assumed to be a boundary); npos when there is none. An empty needle
// is found at `from` when from <= text.size().
size_t FindGbk(std::string_view text, std::string_view needle, size_t from = 0,
               bool ignoreCase = false);

// Offset of the last occurrence starting on a character boundary; npos when there is none.
size_t FindLastGbk(std::string_view text, std::string_view needle, bool ignoreCase = false);

inline bool ContainsGbk(std::string_view text, std::string_view needle, bool ignoreCase = false) {
    return FindGbk(text, needle, 0, ignoreCase) != std::string_view::npos;
}

// Every occurrence of `from` replaced by `to` in one left-to-right scan (replaced text is not
// scanned again); case respected.
std::string ReplaceAllGbk(std::string_view text, std::string_view from, std::string_view to);

// Pieces between the occurrences of `separator`, in order. An empty text gives no piece; an
// empty piece between two separators (or after a trailing one) is kept.
std::vector<std::string> SplitGbk(std::string_view text, std::string_view separator);

// The text with ASCII spaces (0x20) removed at both ends.
std::string TrimSpaces(std::string_view text);

// ASCII letters lower-cased; every other byte unchanged.
std::string AsciiLower(std::string_view text);

} // namespace veldo
