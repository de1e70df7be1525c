#pragma once
#include <string_view>

namespace veldo {

// True when `text` may stand inside a request line or a header line: it holds no CR, LF or NUL,
// which would end the line early or start one of its own. Addresses, agents, cookies and proxy
// names are checked with it before anything is sent; a request that fails it is refused.
inline bool IsWireSafe(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace veldo
