#include "site/site_address.h"

#include "site/site_hosts.h"

namespace veldo {
namespace {

Text& PageHostValue() {
    static Text host = kPageHost;
    return host;
}

Text& InfoHostValue() {
    static Text host = kInfoHost;
    return host;
}

} // namespace

Text PageHost() {
    return PageHostValue();
}

Text InfoHost() {
    return InfoHostValue();
}

void SetSiteHostsForTesting(const Text& pageHost, const Text& infoHost) {
    PageHostValue() = pageHost;
    InfoHostValue() = infoHost;
}

Text SoundPageAddress(const Text& id) {
    return "http://" + PageHost() + "/sound/" + id;
}

} // namespace veldo
