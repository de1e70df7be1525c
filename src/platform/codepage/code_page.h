#pragma once
// Code-page conversions with the results Windows gives for MultiByteToWideChar and
// WideCharToMultiByte (flags 0): ill-formed UTF-8 becomes U+FFFD, characters code page 936
// cannot hold become "?", zero bytes are converted in place, 0x80 is the euro sign.
#include <string>
#include <string_view>

namespace veldo {

std::u16string Utf8ToUtf16Units(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
std::string Utf16ToGbk(std::u16string_view utf16);
std::u16string GbkToUtf16(std::string_view gbk);

} // namespace veldo
