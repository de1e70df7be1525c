#pragma once
#include "text/text_types.h"
#include <string_view>

namespace veldo {

// Host part of an address, lower case; `lastTwoLabels` keeps only the last two dot labels,
// `keepPort` keeps ":port".
Text UrlHost(std::string_view address, bool lastTwoLabels = false, bool keepPort = false);
// Explicit port, else 443 for https, else 80.
int UrlPort(std::string_view address);
// Path with query and everything after it, from the first "/" after the host; "/" when none.
Text UrlPath(std::string_view address);

} // namespace veldo
