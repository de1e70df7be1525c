#include "text/gbk_units.h"

#include "platform/codepage/code_page.h"

#include <cstdint>
#include <cstring>

namespace veldo {
namespace {

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
bool IsSurrogate(char16_t c) {
    return (c & 0xF800) == 0xD800;
}

void AppendAscii(Text& out, std::u16string_view wide) {
    const size_t at = out.size();
    out.resize(at + wide.size());
    for (size_t i = 0; i < wide.size(); ++i)
        out[at + i] = char(wide[i]);
}

// Length of the run of ASCII bytes at the start of `bytes`, eight at a time where it can.
size_t AsciiRunLength(const unsigned char* bytes, size_t size) {
    size_t n = 0;
    for (uint64_t word; n + 8 <= size; n += 8) {
        std::memcpy(&word, bytes + n, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (n < size && bytes[n] < 0x80)
        ++n;
    return n;
}

} // namespace

std::u16string WidenGbk(std::string_view gbk, bool* hasSurrogates) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
    const size_t size = gbk.size();
    std::u16string out(size, u'\0');
    size_t n = 0;
    bool surrogates = false;
    size_t i = 0;
    while (i < size) {
        const size_t ascii = AsciiRunLength(bytes + i, size - i);
        char16_t* to = out.data() + n;
        for (size_t k = 0; k < ascii; ++k)
            to[k] = bytes[i + k];
        n += ascii;
        i += ascii;
        if (i == size) break;
        // A run of double-byte characters (and stray high bytes). It ends where an ASCII byte
        // stands that is no trail byte, so the run converts as it would inside the whole text.
        const size_t start = i;
        while (i < size && bytes[i] >= 0x80)
            i += IsLeadByte(bytes[i]) && i + 1 < size ? 2 : 1;
        const std::u16string part = GbkToUtf16(gbk.substr(start, i - start));
        if (n + part.size() > out.size()) out.resize(n + part.size() + (size - i));
        for (char16_t c : part) {
            surrogates |= IsSurrogate(c);
            out[n++] = c;
        }
    }
    out.resize(n);
    if (hasSurrogates) *hasSurrogates = surrogates;
    return out;
}

Text NarrowToGbk(std::u16string_view wide) {
    Text out;
    out.reserve(wide.size());
    size_t i = 0;
    while (i < wide.size()) {
        size_t j = i;
        while (j < wide.size() && wide[j] < 0x80)
            ++j;
        if (j == wide.size()) {
            AppendAscii(out, wide.substr(i));
            break;
        }
        // The character before a non-ASCII run goes with it: a combining mark may fold into it.
        const size_t runStart = j > i ? j - 1 : j;
        AppendAscii(out, wide.substr(i, runStart - i));
        size_t k = j;
        while (k < wide.size() && wide[k] >= 0x80)
            ++k;
        out += Utf16ToGbk(wide.substr(runStart, k - runStart));
        i = k;
    }
    return out;
}

} // namespace veldo
