#pragma once
// Where the site lives: the build's page and sound-info hosts (site_hosts.h), which tests may
// replace with a local stand-in on ephemeral ports. The program itself never changes them.
// UI thread (the download worker only receives copies).
#include "text/text_types.h"

namespace veldo {

// "host[:port]" of the site's pages and of its sound-info API.
Text PageHost();
Text InfoHost();

// For tests only: point the program at other hosts.
void SetSiteHostsForTesting(const Text& pageHost, const Text& infoHost);

// "http://" + page host + "/sound/" + id: the address of a sound's page.
Text SoundPageAddress(const Text& id);

} // namespace veldo
