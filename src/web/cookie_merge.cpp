#include "web/cookie_merge.h"

#include "text/gbk_search.h"

#include <algorithm>
#include <unordered_set>

namespace veldo {
namespace {

void RemoveSpaces(Text& text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
}

bool IsDeleted(std::string_view entry) {
    constexpr std::string_view kDeleted = "=deleted";
    return entry.size() >= kDeleted.size() &&
           entry.substr(entry.size() - kDeleted.size()) == kDeleted;
}

} // namespace

Text MergeCookies(Text& cookies, Text& returnedCookies) {
    RemoveSpaces(cookies);
    RemoveSpaces(returnedCookies);
    const TextList old = SplitGbk(cookies, ";");
    TextList merged = SplitGbk(returnedCookies, ";");
    // The names in `merged` so far, kept in a set so that long cookie texts stay linear.
    std::unordered_set<std::string> names;
    for (const std::string& entry : merged)
        names.insert(CookieName(entry));
    for (const std::string& entry : old) {
        // `merged` grows here, so among the caller's own cookies the first of a name wins.
        if (names.insert(CookieName(entry)).second) merged.push_back(entry);
    }
    std::string joined;
    for (const std::string& entry : merged) {
        if (IsDeleted(entry)) continue;
        joined += entry;
        joined += "; ";
    }
    if (joined.size() >= 2) joined.resize(joined.size() - 2);
    cookies = RemoveDuplicateItems(joined, "; ");
    return cookies;
}

Text CookieName(std::string_view entry) {
    const size_t equals = FindGbk(entry, "=");
    return TrimSpaces(equals == std::string_view::npos ? entry : entry.substr(0, equals));
}

bool HasCookieNamed(const TextList& entries, std::string_view name) {
    return std::any_of(entries.begin(), entries.end(),
                       [name](const std::string& entry) { return CookieName(entry) == name; });
}

Text RemoveDuplicateItems(std::string_view text, std::string_view separator) {
    std::unordered_set<std::string> seen;
    std::string result;
    for (const std::string& piece : SplitGbk(text, separator)) {
        if (!seen.insert(piece).second) continue;
        result += piece;
        result += separator;
    }
    result.resize(result.size() >= separator.size() ? result.size() - separator.size() : 0);
    return result;
}

int IndexOfText(const TextList& list, std::string_view text) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == text) return static_cast<int>(i + 1);
    return -1;
}

} // namespace veldo
