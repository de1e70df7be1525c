#include "platform/codepage/code_page.h"

#include "platform/codepage/direct_conversion.h"
#include "platform/codepage/gbk_tables.h"
#include "platform/codepage/utf8_decoding.h"

#include <cstdint>
#include <cstring>

namespace veldo {
namespace {

using codepage::DecodeUtf8NonAscii;
using codepage::Gbk;
using codepage::GbkTables;
using codepage::kUnmappable;

inline bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Writes GBK bytes into a buffer sized by the caller. Like WideCharToMultiByte with
// WC_COMPOSITECHECK, a base character followed by a combining mark that GBK lacks is written
// in its precomposed form when GBK has that.
class GbkWriter {
  public:
    GbkWriter(const GbkTables& tables, char* out) : t_(tables), out_(out) {}

    size_t size() const { return n_; }

    void PutAscii(char c) {
        prev_ = static_cast<unsigned char>(c);
        prevStart_ = n_;
        out_[n_++] = c;
    }
    // Copies a run of ASCII bytes (n >= 1).
    void PutAsciiRun(const unsigned char* p, size_t n) {
        std::memcpy(out_ + n_, p, n);
        n_ += n;
        prev_ = p[n - 1];
        prevStart_ = n_ - 1;
    }
    void PutBmp(char32_t c) {
        uint16_t v = t_.toGbk[c];
        if (v == kUnmappable && prev_ != 0 && t_.unmappableMark.test(c)) {
            if (char16_t composed = codepage::ComposedGbkCharacter(prev_, c)) {
                n_ = prevStart_;
                c = composed;
                v = t_.toGbk[c];
            }
        }
        prevStart_ = n_;
        prev_ = IsSurrogate(c) ? 0 : c;
        if (v < 0x100) {
            out_[n_++] = static_cast<char>(v);
        } else {
            out_[n_++] = static_cast<char>(v >> 8);
            out_[n_++] = static_cast<char>(v & 0xFF);
        }
    }
    // A character outside the basic plane: two UTF-16 units, neither of which GBK holds.
    void PutSupplementary() {
        out_[n_++] = '?';
        out_[n_++] = '?';
        prev_ = 0;
    }

  private:
    const GbkTables& t_;
    char* out_;
    size_t n_ = 0;
    char32_t prev_ = 0; // the last character written, 0 when it cannot take a mark
    size_t prevStart_ = 0;
};

inline bool EightAscii(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ull) == 0;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes GBK bytes, calling emit(char16_t) for each character. A lead byte without a valid
// trail stands alone as U+FFFD and the byte after it is read again, so it is never swallowed.
template <typename Emit> void DecodeGbk(std::string_view gbk, Emit emit) {
    const GbkTables& t = Gbk();
    const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
    const auto* end = p + gbk.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            emit(static_cast<char16_t>(b));
            ++p;
        } else if (codepage::IsGbkLead(b) && p + 1 < end && codepage::IsGbkTrail(p[1])) {
            emit(t.fromPair[codepage::PairIndex(b, p[1])]);
            p += 2;
        } else if (codepage::IsGbkLead(b)) {
            emit(char16_t{0xFFFD});
            ++p;
        } else {
            emit(t.fromSingle[b - 0x80]);
            ++p;
        }
    }
}

} // namespace

std::u16string Utf8ToUtf16Units(std::string_view utf8) {
    std::u16string out;
    out.resize(utf8.size()); // never more units than bytes
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    size_t n = 0;
    while (p < end) {
        if (*p < 0x80) {
            out[n++] = *p++;
            continue;
        }
        size_t length;
        const char32_t c = DecodeUtf8NonAscii(p, end, length);
        p += length;
        if (c < 0x10000) {
            out[n++] = static_cast<char16_t>(c);
        } else {
            out[n++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    out.resize(n);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (IsSurrogate(c)) {
            c = codepage::kReplacement; // a lone surrogate has no UTF-8 form
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Utf16ToGbk(std::u16string_view utf16) {
    std::string out;
    out.resize(utf16.size() * 2);
    GbkWriter writer(Gbk(), out.data());
    for (const char16_t unit : utf16) {
        if (unit < 0x80)
            writer.PutAscii(static_cast<char>(unit));
        else
            writer.PutBmp(unit);
    }
    out.resize(writer.size());
    return out;
}

std::u16string GbkToUtf16(std::string_view gbk) {
    std::u16string out;
    out.reserve(gbk.size());
    DecodeGbk(gbk, [&out](char16_t c) { out.push_back(c); });
    return out;
}

std::string Utf8ToGbkDirect(std::string_view utf8) {
    // Every UTF-8 form is at least as long as its GBK form ("?" per ill-formed part, "??" for
    // four bytes), so the input size bounds the output.
    std::string out;
    out.resize(utf8.size());
    GbkWriter writer(Gbk(), out.data());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            const auto* run = p;
            while (end - p >= 8 && EightAscii(p))
                p += 8;
            while (p < end && *p < 0x80)
                ++p;
            writer.PutAsciiRun(run, static_cast<size_t>(p - run));
            continue;
        }
        size_t length;
        const char32_t c = DecodeUtf8NonAscii(p, end, length);
        p += length;
        if (c < 0x10000)
            writer.PutBmp(c);
        else
            writer.PutSupplementary();
    }
    out.resize(writer.size());
    return out;
}

std::string GbkToUtf8Bytes(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    DecodeGbk(gbk, [&out](char16_t c) { AppendUtf8(out, c); });
    return out;
}

} // namespace veldo
