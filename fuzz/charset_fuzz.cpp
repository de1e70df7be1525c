// UTF-8 to GBK under arbitrary bytes: sizes stay consistent and ASCII passes unchanged.
#include "web/charset.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string utf16 = veldo::Utf8ToUtf16(bytes);
    if (utf16.size() % 2 != 0 || utf16.size() > 2 * bytes.size()) std::abort();
    const std::string gbk = veldo::Utf8ToGbk(bytes);
    if (gbk.size() > 2 * bytes.size()) std::abort();
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii && gbk != bytes) std::abort();
    (void)veldo::GbkToUtf8(bytes);
    return 0;
}
