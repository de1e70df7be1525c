// URL splitting under arbitrary addresses: no crash, and a path always starts with "/".
#include "web/url_split.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string address(reinterpret_cast<const char*>(data), size);
    (void)veldo::UrlHost(address, true, true);
    (void)veldo::UrlHost(address, false, false);
    (void)veldo::UrlPort(address);
    const std::string path = veldo::UrlPath(address);
    if (path.empty() || path[0] != '/') std::abort();
    return 0;
}
