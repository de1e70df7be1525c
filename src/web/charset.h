#pragma once
#include "text/text_types.h"

namespace veldo {

// UTF-8 bytes to code page 936 bytes, exactly sized; see platform/codepage for the rules.
ByteArray Utf8ToGbk(const ByteArray& utf8);
// UTF-8 bytes to UTF-16LE code units (2 bytes each), exactly sized.
ByteArray Utf8ToUtf16(const ByteArray& utf8);
// Code page 936 bytes to UTF-8: for window texts and file names.
std::string GbkToUtf8(std::string_view gbk);

} // namespace veldo
