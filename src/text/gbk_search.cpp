#include "text/gbk_search.h"

#include <cstring>

namespace veldo {
namespace {

constexpr size_t npos = std::string_view::npos;
// Needles longer than this are searched with KMP, which stays linear whatever the text holds;
// shorter ones by scanning for one of their bytes, which is faster on real text.
constexpr size_t kLongNeedle = 64;

inline unsigned char Byte(std::string_view s, size_t i) {
    return static_cast<unsigned char>(s[i]);
}
inline bool IsLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
inline bool IsTrail(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}
inline bool IsAsciiLetter(unsigned char b) {
    return (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
}
// True when a lead byte at i has its trail right after it, so the two form one character.
inline bool PairAt(std::string_view s, size_t i) {
    return IsLead(Byte(s, i)) && i + 1 < s.size() && IsTrail(Byte(s, i + 1));
}

// Tells whether offsets are character starts, for offsets asked in increasing order. It only
// looks back as far as the last offset it knows to be a start, so each byte is read once.
class BoundaryTracker {
  public:
    BoundaryTracker(std::string_view text, size_t knownStart) : text_(text), known_(knownStart) {}

    bool IsStart(size_t p) {
        // Bytes known_..p-1 that are all lead-range bytes pair up from the first one, which is a
        // start: either known_ itself, or the byte after one that cannot lead a pair.
        size_t r = p;
        while (r > known_ && IsLead(Byte(text_, r - 1)))
            --r;
        const bool start = (p - r) % 2 == 0 || p >= text_.size() || !IsTrail(Byte(text_, p));
        known_ = start ? p : p + 1;
        return start;
    }

  private:
    std::string_view text_;
    size_t known_;
};

// Compares the needle with the text at t. Without case, ASCII letters of the needle that are
// characters of their own match either case; the bytes of double-byte characters match exactly.
bool MatchesAt(const char* t, std::string_view needle, bool ignoreCase) {
    if (!ignoreCase) return std::memcmp(t, needle.data(), needle.size()) == 0;
    const auto* text = reinterpret_cast<const unsigned char*>(t);
    for (size_t i = 0; i < needle.size();) {
        const unsigned char n = Byte(needle, i);
        if (PairAt(needle, i)) {
            if (text[i] != n || text[i + 1] != Byte(needle, i + 1)) return false;
            i += 2;
            continue;
        }
        if (text[i] != n && !(IsAsciiLetter(n) && (text[i] ^ 0x20) == n)) return false;
        ++i;
    }
    return true;
}

// ASCII letters lowered where they stand as characters of their own, from a character start.
std::string FoldCase(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size();) {
        if (PairAt(s, i)) {
            i += 2;
            continue;
        }
        if (IsAsciiLetter(Byte(s, i))) out[i] = static_cast<char>(Byte(s, i) | 0x20);
        ++i;
    }
    return out;
}

// Calls found(offset) for every match at or after `from`, in order, until it returns true.
// Matches that start on a trail byte are skipped.
template <typename Found>
void ForEachMatch(std::string_view text, std::string_view needle, size_t from, bool ignoreCase,
                  Found found) {
    const size_t m = needle.size();
    if (from > text.size() || text.size() - from < m) return;
    BoundaryTracker boundaries(text, from);
    auto report = [&](size_t p) { return boundaries.IsStart(p) && found(p); };

    if (m > kLongNeedle) {
        std::string foldedText, foldedNeedle;
        std::string_view hay = text.substr(from), pat = needle;
        if (ignoreCase) {
            foldedText = FoldCase(hay);
            foldedNeedle = FoldCase(needle);
            hay = foldedText;
            pat = foldedNeedle;
        }
        std::vector<size_t> border(m, 0); // KMP: longest proper border of pat[0..i]
        for (size_t i = 1, k = 0; i < m; ++i) {
            while (k > 0 && pat[i] != pat[k])
                k = border[k - 1];
            if (pat[i] == pat[k]) ++k;
            border[i] = k;
        }
        for (size_t i = 0, k = 0; i < hay.size(); ++i) {
            while (k > 0 && hay[i] != pat[k])
                k = border[k - 1];
            if (hay[i] == pat[k]) ++k;
            if (k == m) {
                if (report(from + i + 1 - m)) return;
                k = border[k - 1];
            }
        }
        return;
    }

    const size_t last = text.size() - m; // the last offset where a match fits
    // Scan for one byte of the needle that has no other case: the first that is not a letter.
    size_t anchor = 0;
    if (ignoreCase) {
        while (anchor < m && IsAsciiLetter(Byte(needle, anchor)))
            ++anchor;
    }
    if (!ignoreCase || anchor < m) {
        const char a = needle[anchor];
        const char* base = text.data();
        size_t p = from;
        while (p <= last) {
            const void* hit = std::memchr(base + p + anchor, a, last - p + 1);
            if (!hit) return;
            p = static_cast<size_t>(static_cast<const char*>(hit) - base) - anchor;
            if (MatchesAt(base + p, needle, ignoreCase) && report(p)) return;
            ++p;
        }
        return;
    }
    // Every byte of the needle is a letter: scan for either case of the first one.
    const char lower = static_cast<char>(Byte(needle, 0) | 0x20);
    const char upper = static_cast<char>(Byte(needle, 0) & ~0x20);
    const char* base = text.data();
    auto next = [&](char c, size_t p) -> size_t {
        if (p > last) return npos;
        const void* hit = std::memchr(base + p, c, last - p + 1);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - base) : npos;
    };
    size_t nextLower = next(lower, from), nextUpper = next(upper, from);
    while (nextLower != npos || nextUpper != npos) {
        const size_t p = nextLower < nextUpper ? nextLower : nextUpper;
        if (MatchesAt(base + p, needle, true) && report(p)) return;
        if (p == nextLower)
            nextLower = next(lower, p + 1);
        else
            nextUpper = next(upper, p + 1);
    }
}

} // namespace

size_t FindGbk(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    if (needle.empty()) return from <= text.size() ? from : npos;
    size_t result = npos;
    ForEachMatch(text, needle, from, ignoreCase, [&](size_t p) {
        result = p;
        return true;
    });
    return result;
}

size_t FindLastGbk(std::string_view text, std::string_view needle, bool ignoreCase) {
    if (needle.empty()) return text.size();
    size_t result = npos;
    ForEachMatch(text, needle, 0, ignoreCase, [&](size_t p) {
        result = p;
        return false;
    });
    return result;
}

std::string ReplaceAllGbk(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    size_t copied = 0;
    for (size_t p = FindGbk(text, from); p != npos; p = FindGbk(text, from, copied)) {
        out.append(text, copied, p - copied);
        out.append(to);
        copied = p + from.size();
    }
    out.append(text, copied);
    return out;
}

std::vector<std::string> SplitGbk(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t start = 0;
    for (size_t p = FindGbk(text, separator); p != npos; p = FindGbk(text, separator, start)) {
        pieces.emplace_back(text.substr(start, p - start));
        start = p + separator.size();
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

std::string TrimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string AsciiLower(std::string_view text) {
    return FoldCase(text);
}

} // namespace veldo
