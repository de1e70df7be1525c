#pragma once
// Lookup tables between UTF-16 code units and code page 936, built once on first use (a
// function-local static, so concurrent first calls are safe) and read-only afterwards.
#include <bitset>
#include <cstdint>

namespace veldo::codepage {

inline constexpr uint16_t kUnmappable = '?';

struct GbkTables {
    // GBK form of every BMP code unit: below 0x100 one byte, else lead << 8 | trail.
    // kUnmappable ("?") for units code page 936 cannot hold, surrogates included.
    uint16_t toGbk[0x10000];
    // Unicode of every double-byte pair, indexed by PairIndex; U+FFFD where there is none.
    char16_t fromPair[126 * 191];
    // Unicode of every byte 0x80-0xFF standing alone (0x80 is the euro sign).
    char16_t fromSingle[0x80];
    // Combining marks without a GBK form: candidates for composing with the character before.
    std::bitset<0x10000> unmappableMark;
};

const GbkTables& Gbk();

inline bool IsGbkLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
inline bool IsGbkTrail(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}
inline unsigned PairIndex(unsigned char lead, unsigned char trail) {
    return (lead - 0x81u) * 191u + (trail - 0x40u);
}

// The precomposed form of `base` followed by the combining `mark` when it exists and code
// page 936 holds it; 0 otherwise.
char16_t ComposedGbkCharacter(char32_t base, char32_t mark);

} // namespace veldo::codepage
