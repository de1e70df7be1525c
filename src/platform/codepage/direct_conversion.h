#pragma once
// Conversions between UTF-8 and code page 936 in one pass, without a UTF-16 text in between.
// Their results equal Utf16ToGbk(Utf8ToUtf16Units(x)) and Utf16ToUtf8(GbkToUtf16(x)).
#include <string>
#include <string_view>

namespace veldo {

std::string Utf8ToGbkDirect(std::string_view utf8);
std::string GbkToUtf8Bytes(std::string_view gbk);

} // namespace veldo
