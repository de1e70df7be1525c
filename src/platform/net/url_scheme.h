#pragma once
#include <cstddef>
#include <string_view>

namespace veldo {

namespace detail {
inline bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerPrefix[i]) return false;
    }
    return true;
}
} // namespace detail

// True when `url` starts with "https://" (letter case ignored).
inline bool IsHttpsUrl(std::string_view url) {
    return detail::StartsWithNoCase(url, "https://");
}

// True when `url` starts with "http://" or "https://" (letter case ignored): the only schemes
// the program ever fetches, redirects included.
inline bool IsHttpUrl(std::string_view url) {
    return detail::StartsWithNoCase(url, "http://") || IsHttpsUrl(url);
}

} // namespace veldo
