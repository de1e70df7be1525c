#include "text/escape_decoding.h"

#include "text/gbk_units.h"
#include "text/script_literal.h"

namespace veldo {
namespace {

constexpr char16_t kApostrophePlaceholder = u'\u2019'; // "’", GBK A1 AF

// Protects what the literal must not see: CR LF pairs become "{$}", a leading bare CR is dropped,
// "\u" becomes "%u" (so unescape decodes it, not the literal) and apostrophes become "’". The
// four rewrites touch disjoint characters, so one left-to-right pass gives the same text as four.
std::u16string ProtectForLiteral(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 8);
    size_t i = 0;
    if (text.size() >= 1 && text[0] == u'\r' && !(text.size() >= 2 && text[1] == u'\n')) i = 1;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool hasNext = i + 1 < text.size();
        if (c == u'\r' && hasNext && text[i + 1] == u'\n') {
            out.append(u"{$}");
            ++i;
        } else if (c == u'\\' && hasNext && text[i + 1] == u'u') {
            out.append(u"%u");
            ++i;
        } else if (c == u'\'') {
            out.push_back(kApostrophePlaceholder);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Every "’" becomes an apostrophe, then every "{$}" a CR LF pair.
std::u16string RestoreAfterLiteral(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == kApostrophePlaceholder) {
            out.push_back(u'\'');
        } else if (c == u'{' && text.substr(i, 3) == u"{$}") {
            out.append(u"\r\n");
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

Text DecodeEscapes(std::string_view text) {
    if (text.empty()) return {};
    const std::u16string wide = WidenGbk(text);
    const std::u16string decoded =
        UnescapePercent(DecodeSingleQuotedLiteral(ProtectForLiteral(wide)));
    return NarrowToGbk(RestoreAfterLiteral(decoded));
}

} // namespace veldo
