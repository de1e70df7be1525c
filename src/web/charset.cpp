#include "web/charset.h"

#include "platform/codepage/code_page.h"
#include "platform/codepage/direct_conversion.h"

namespace veldo {

ByteArray Utf8ToGbk(const ByteArray& utf8) {
    return Utf8ToGbkDirect(utf8);
}

ByteArray Utf8ToUtf16(const ByteArray& utf8) {
    const std::u16string units = Utf8ToUtf16Units(utf8);
    ByteArray bytes(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) { // little-endian whatever the machine
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return bytes;
}

std::string GbkToUtf8(std::string_view gbk) {
    return GbkToUtf8Bytes(gbk);
}

} // namespace veldo
