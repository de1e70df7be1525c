#pragma once
// The two halves of escape decoding, on UTF-16 code units: the body of a single-quoted
// ECMAScript string literal, then the script function unescape().
#include <string>
#include <string_view>

namespace veldo {

// Decodes the characters between the apostrophes of a single-quoted literal: \b \t \n \v \f \r,
// \xHH, one to three octal digits up to 377, a backslash before a line break (nothing), any other
// character after a backslash stands for itself. Text that a script engine would reject (a raw
// line break, a trailing lone backslash, \x without two hex digits) is decoded leniently: the
// offending character stands for itself.
std::u16string DecodeSingleQuotedLiteral(std::u16string_view body);

// %uHHHH becomes that code unit, %HH the character U+0000..U+00FF; every other % stays.
std::u16string UnescapePercent(std::u16string_view text);

} // namespace veldo
