#pragma once
// Decoding one UTF-8 sequence the way Windows 10 does: every maximal ill-formed subpart (the
// longest prefix of a well-formed sequence, or else one byte) becomes one U+FFFD.
#include <cstddef>

namespace veldo::codepage {

inline constexpr char32_t kReplacement = 0xFFFD;

// Decodes the sequence at p (p < end, *p >= 0x80); `length` receives the bytes consumed (>= 1).
inline char32_t DecodeUtf8NonAscii(const unsigned char* p, const unsigned char* end,
                                   size_t& length) {
    const unsigned b0 = p[0];
    const size_t avail = static_cast<size_t>(end - p);
    length = 1;
    if (b0 < 0xC2 || b0 > 0xF4) return kReplacement;
    if (b0 < 0xE0) {
        if (avail < 2 || (p[1] & 0xC0) != 0x80) return kReplacement;
        length = 2;
        return (b0 & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    }
    unsigned low = 0x80, high = 0xBF; // the second byte's range excludes overlongs and surrogates
    if (b0 == 0xE0)
        low = 0xA0;
    else if (b0 == 0xED)
        high = 0x9F;
    else if (b0 == 0xF0)
        low = 0x90;
    else if (b0 == 0xF4)
        high = 0x8F;
    if (avail < 2 || p[1] < low || p[1] > high) return kReplacement;
    length = 2;
    if (avail < 3 || (p[2] & 0xC0) != 0x80) return kReplacement;
    length = 3;
    if (b0 < 0xF0) return (b0 & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    if (avail < 4 || (p[3] & 0xC0) != 0x80) return kReplacement;
    length = 4;
    return (b0 & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
}

} // namespace veldo::codepage
