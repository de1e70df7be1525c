#include "web/header_value.h"

#include "text/gbk_search.h"

namespace veldo {

Text HeaderValue(std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    return TrimSpaces(line.substr(colon + 1));
}

} // namespace veldo
