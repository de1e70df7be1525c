#include "web/url_split.h"

#include "text/gbk_search.h"
#include "text/marker_cut.h"

namespace veldo {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr long kMaxPort = 65535;
constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;
constexpr std::string_view kHttpPrefix = "http://";
constexpr std::string_view kHttpsPrefix = "https://";

// Offset in the address where the host part begins, found the way UrlHost finds it.
size_t HostStart(std::string_view address) {
    const std::string lower = AsciiLower(address);
    if (lower.rfind(kHttpsPrefix, 0) == 0) return kHttpsPrefix.size();
    const size_t scheme = FindGbk(lower, kHttpPrefix);
    return scheme == npos ? 0 : scheme + kHttpPrefix.size();
}

// The port text: leading decimal digits. Anything else (empty, letters, beyond 65535) gives 0,
// which the caller replaces by the scheme's port, as a connection with port 0 would.
int PortNumber(std::string_view text) {
    long value = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kMaxPort) return 0;
    }
    return static_cast<int>(value);
}

} // namespace

Text UrlHost(std::string_view address, bool lastTwoLabels, bool keepPort) {
    std::string s = AsciiLower(address);
    if (s.empty() || s.back() != '/') s += '/';
    if (s.rfind("https://", 0) == 0) {
        s = TextBetween(s, "https://", "/");
    } else {
        if (!ContainsGbk(s, "http://")) s.insert(0, "http://");
        s = TextBetween(s, "http://", "/");
    }
    if (lastTwoLabels) {
        const std::vector<std::string> labels = SplitGbk(s, ".");
        if (labels.size() > 1) s = labels[labels.size() - 2] + "." + labels.back();
    }
    if (keepPort) return s;
    const size_t colon = FindGbk(s, ":");
    return colon == npos ? s : s.substr(0, colon);
}

int UrlPort(std::string_view address) {
    const std::string hostAndPort = UrlHost(address, false, true);
    const size_t colon = FindLastGbk(hostAndPort, ":");
    if (colon != npos) {
        if (int port = PortNumber(std::string_view(hostAndPort).substr(colon + 1))) return port;
    }
    return AsciiLower(address.substr(0, 5)) == "https" ? kHttpsPort : kHttpPort;
}

Text UrlPath(std::string_view address) {
    const std::string host = UrlHost(address);
    // The host is looked for after the scheme: searched from the start, a host such as "h" or
    // "t" would be found inside "http" and the path would begin at "//".
    const size_t hostAt = FindGbk(address, host, HostStart(address), true);
    if (hostAt == npos) return "/";
    const size_t slash = FindGbk(address, "/", hostAt);
    return slash == npos ? "/" : Text(address.substr(slash));
}

} // namespace veldo
