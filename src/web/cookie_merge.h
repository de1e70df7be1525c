#pragma once
#include "text/text_types.h"
#include <string_view>

namespace veldo {

// Merges the cookies a response set into the caller's cookie text. Both arguments lose their
// spaces; `cookies` receives the merged text, which is also returned.
Text MergeCookies(Text& cookies, Text& returnedCookies);
Text CookieName(std::string_view entry);
bool HasCookieNamed(const TextList& entries, std::string_view name);
Text RemoveDuplicateItems(std::string_view text, std::string_view separator);
// 1-based index of the first element equal to `text`; -1 when there is none.
int IndexOfText(const TextList& list, std::string_view text);

} // namespace veldo
