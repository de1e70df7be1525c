#pragma once
// The texts the sample site serves: the exploration listing, the sound pages and the sound-info
// records. Pure functions of the catalogue and the addresses they are given.
#include "sample_site/catalogue.h"

#include <string>
#include <string_view>
#include <vector>

namespace veldo {

// A JSON string literal (with its quotes) as PHP's json_encode writes one by default: every
// non-ASCII character as \uXXXX (surrogate pairs beyond U+FFFF), "/" as "\/", quotes, backslashes
// and control characters escaped. Invalid UTF-8 bytes become \ufffd.
std::string JsonString(std::string_view utf8);

// Text for HTML content and attribute values: & < > " escaped, except ">" when `keepGreaterThan`
// (the listing's names keep it, as the site's own templates do).
std::string HtmlText(std::string_view utf8, bool keepGreaterThan = false);

// Page `page` (1-based) of the exploration listing with `perPage` entries of `sounds`; a page past
// the end holds no entries. UTF-8 HTML.
std::string ExplorationPage(const std::vector<SampleSound>& sounds, int page, int perPage);

// The page of one sound; `pageHost` is "host:port" of the site's pages.
std::string SoundPage(const SampleSound& sound, std::string_view pageHost);

// A page for a missing address.
std::string NotFoundPage();

// The sound-info record of one sound; its cover and MP3 addresses point at `pageHost`.
std::string SoundInfoJson(const SampleSound& sound, std::string_view pageHost);

// The API's answer for a request it cannot serve (`status` 400 or 404, `message` ASCII).
std::string ErrorRecord(int status, std::string_view message);

std::string CoverPath(const SampleSound& sound); // "/covers/ID.png"
std::string Mp3Path(const SampleSound& sound);   // "/media/ID.mp3"

} // namespace veldo
