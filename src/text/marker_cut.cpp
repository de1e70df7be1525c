#include "text/marker_cut.h"

#include "text/gbk_search.h"

namespace veldo {

Text TextBetween(std::string_view text, std::string_view left, std::string_view right) {
    const std::string leftMarker = ReplaceAllGbk(left, kQuoteToken, "\"");
    const std::string rightMarker = ReplaceAllGbk(right, kQuoteToken, "\"");
    const size_t p = FindGbk(text, leftMarker, 0, true);
    if (p == std::string_view::npos) return {};
    const size_t start = p + leftMarker.size();
    const size_t q = FindGbk(text, rightMarker, start, true);
    if (q == std::string_view::npos) return {};
    return Text(text.substr(start, q - start));
}

Text TextRightOfLast(std::string_view text, std::string_view marker) {
    const size_t p = FindLastGbk(text, marker);
    if (p == std::string_view::npos) return {};
    return Text(text.substr(p + marker.size()));
}

Text TextLeftOf(std::string_view text, std::string_view marker) {
    const size_t p = FindGbk(text, marker);
    if (p == std::string_view::npos) return {};
    return Text(text.substr(0, p));
}

} // namespace veldo
