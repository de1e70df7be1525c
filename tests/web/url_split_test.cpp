// Splitting addresses into host, port and path.
#include "web/url_split.h"

#include <gtest/gtest.h>
#include <string>

namespace veldo {
namespace {

struct UrlCase {
    std::string address;
    std::string host;
    std::string hostWithPort;
    int port;
    std::string path;
};

class UrlSplitCases : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlSplitCases, HostPortAndPath) {
    const UrlCase& c = GetParam();
    EXPECT_EQ(UrlHost(c.address), c.host) << c.address;
    EXPECT_EQ(UrlHost(c.address, false, true), c.hostWithPort) << c.address;
    EXPECT_EQ(UrlPort(c.address), c.port) << c.address;
    EXPECT_EQ(UrlPath(c.address), c.path) << c.address;
}

INSTANTIATE_TEST_SUITE_P(
    Url, UrlSplitCases,
    ::testing::Values(
        UrlCase{"https://Ab.CD.ef/A?b=C", "ab.cd.ef", "ab.cd.ef", 443, "/A?b=C"},
        UrlCase{"http://cd.ef:81/x", "cd.ef", "cd.ef:81", 81, "/x"},
        UrlCase{"www.site.cn/sound/123", "www.site.cn", "www.site.cn", 80, "/sound/123"},
        UrlCase{"http://site.cn", "site.cn", "site.cn", 80, "/"},
        UrlCase{"HTTPS://Site.CN/P", "site.cn", "site.cn", 443, "/P"},
        UrlCase{"http://site.cn?q=1", "site.cn?q=1", "site.cn?q=1", 80, "/"},
        UrlCase{"http://site.cn?q=/a", "site.cn?q=", "site.cn?q=", 80, "/a"},
        UrlCase{"", "", "", 80, "/"},
        UrlCase{"http://127.0.0.1:17380/sound/exploration?page=1&per-page=15", "127.0.0.1",
                "127.0.0.1:17380", 17380, "/sound/exploration?page=1&per-page=15"},
        // A host that also occurs inside the scheme: the path still starts after the host.
        UrlCase{"http://h/x", "h", "h", 80, "/x"}, UrlCase{"http://tp:8/x", "tp", "tp:8", 8, "/x"},
        UrlCase{"HTTPS://s/Q", "s", "s", 443, "/Q"},
        // Ports that are not plain numbers fall back to the scheme's port.
        UrlCase{"http://a:/x", "a", "a:", 80, "/x"},
        UrlCase{"https://a:abc/x", "a", "a:abc", 443, "/x"},
        UrlCase{"http://a:99999999999999999999/", "a", "a:99999999999999999999", 80, "/"},
        UrlCase{"http://a:81abc/", "a", "a:81abc", 81, "/"},
        // Other schemes are no scheme: they end up in the host part.
        UrlCase{"ftp://a/b", "ftp", "ftp:", 80, "//a/b"}));

TEST(UrlHost, LastTwoLabels) {
    EXPECT_EQ(UrlHost("http://ab.cd.ef/x", true), "cd.ef");
    EXPECT_EQ(UrlHost("http://localhost/x", true), "localhost");
    EXPECT_EQ(UrlHost("http://a.b.c:81/x", true), "b.c");
    EXPECT_EQ(UrlHost("http://a.b.c:81/x", true, true), "b.c:81");
    EXPECT_EQ(UrlHost("http://a..b/", true), ".b");
}

TEST(UrlHost, LowerCasesAsciiOnly) {
    // A GBK host keeps its trail bytes as they are.
    EXPECT_EQ(UrlHost("http://\xD2\x41.CN/x"), "\xD2\x41.cn");
}

TEST(UrlSplitHostile, LongAndOddAddresses) {
    const std::string big(1 << 20, 'a');
    EXPECT_EQ(UrlHost("http://" + big + "/x"), big);
    EXPECT_EQ(UrlPath("http://" + big + "/x"), "/x");
    EXPECT_EQ(UrlPort("http://a:" + big + "/"), 80);
    EXPECT_EQ(UrlPath("/"), "/");
    EXPECT_EQ(UrlHost("///"), "");
    EXPECT_EQ(UrlPath("\xD2"), "/");
}

} // namespace
} // namespace veldo
