#include "text/script_literal.h"

namespace veldo {
namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Value of `count` hex digits at `at`, or -1 when they are not all there.
int HexRun(std::u16string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return -1;
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        const int digit = HexValue(text[at + i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

bool IsOctal(char16_t c) {
    return c >= u'0' && c <= u'7';
}

bool IsLineTerminator(char16_t c) {
    return c == u'\n' || c == u'\r' || c == u'\u2028' || c == u'\u2029';
}

} // namespace

std::u16string DecodeSingleQuotedLiteral(std::u16string_view body) {
    std::u16string out;
    out.reserve(body.size());
    size_t i = 0;
    while (i < body.size()) {
        const char16_t c = body[i++];
        if (c != u'\\' || i == body.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t e = body[i++];
        switch (e) {
        case u'b':
            out.push_back(u'\b');
            break;
        case u't':
            out.push_back(u'\t');
            break;
        case u'n':
            out.push_back(u'\n');
            break;
        case u'v':
            out.push_back(u'\v');
            break;
        case u'f':
            out.push_back(u'\f');
            break;
        case u'r':
            out.push_back(u'\r');
            break;
        case u'x':
        case u'u': {
            const size_t digits = e == u'x' ? 2 : 4;
            const int value = HexRun(body, i, digits);
            if (value < 0) {
                out.push_back(e);
            } else {
                out.push_back(static_cast<char16_t>(value));
                i += digits;
            }
            break;
        }
        default:
            if (IsOctal(e)) {
                // Legacy octal escape: 0-3 takes up to two more digits, 4-7 one more (max 377).
                int value = e - u'0';
                const size_t more = e <= u'3' ? 2 : 1;
                for (size_t n = 0; n < more && i < body.size() && IsOctal(body[i]); ++n)
                    value = value * 8 + (body[i++] - u'0');
                out.push_back(static_cast<char16_t>(value));
            } else if (!IsLineTerminator(e)) {
                out.push_back(e); // a backslash before a line break continues the line
            }
        }
    }
    return out;
}

std::u16string UnescapePercent(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (c == u'%') {
            if (i + 1 < text.size() && text[i + 1] == u'u') {
                const int value = HexRun(text, i + 2, 4);
                if (value >= 0) {
                    out.push_back(static_cast<char16_t>(value));
                    i += 6;
                    continue;
                }
            }
            const int value = HexRun(text, i + 1, 2);
            if (value >= 0) {
                out.push_back(static_cast<char16_t>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

} // namespace veldo
