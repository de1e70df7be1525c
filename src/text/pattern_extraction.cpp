#include "text/pattern_extraction.h"

#include "text/regex_object.h"

namespace veldo {
namespace {

constexpr std::string_view kLazyGroup = "([\\s\\S]*?)";
constexpr std::string_view kSpecials = "?*+[](){}";

bool IsGbkLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

} // namespace

Text EscapeMarker(std::string_view text) {
    const std::string_view token = kQuoteToken;
    Text out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        // "[", "]", "{" and "}" are also GBK trail bytes: step over double-byte characters whole.
        if (IsGbkLead(c) && i + 1 < text.size()) {
            out.append(text.substr(i, 2));
            ++i;
        } else if (kSpecials.find(char(c)) != std::string_view::npos) {
            out.push_back('\\');
            out.push_back(char(c));
        } else if (text.substr(i, token.size()) == token) {
            out.push_back('"');
            i += token.size() - 1;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out.append("\\n");
            ++i;
        } else {
            out.push_back(char(c));
        }
    }
    return out;
}

int32_t AllTextsBetween(std::string_view subject, std::string_view left, std::string_view right,
                        TextList& list, int32_t maxLength, std::string_view prefix,
                        std::string_view suffix, bool includeLeft, bool includeRight) {
    list.clear();
    Text pattern = EscapeMarker(left);
    pattern.append(kLazyGroup);
    pattern.append(EscapeMarker(right));

    RegexObject regex;
    regex.Search(pattern, subject); // a failed search leaves no match list: MatchCount is 0
    const int32_t count = regex.MatchCount();
    list.reserve(size_t(count));
    for (int32_t i = 1; i <= count; ++i) {
        Text piece = regex.SubmatchText(i, 1);
        if (maxLength != 0 && int64_t(piece.size()) > int64_t(maxLength)) continue;
        if (prefix.empty() && suffix.empty() && !includeLeft && !includeRight) {
            list.push_back(std::move(piece));
            continue;
        }
        Text item;
        item.reserve((includeLeft ? left.size() : 0) + prefix.size() + piece.size() +
                     suffix.size() + (includeRight ? right.size() : 0));
        if (includeLeft) item.append(left);
        item.append(prefix).append(piece).append(suffix);
        if (includeRight) item.append(right);
        list.push_back(std::move(item));
    }
    return int32_t(list.size());
}

} // namespace veldo
