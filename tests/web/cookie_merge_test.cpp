// Merging the cookies a response set into the caller's cookie text.
#include "web/cookie_merge.h"

#include <gtest/gtest.h>
#include <string>

namespace veldo {
namespace {

struct MergeCase {
    const char* what;
    std::string cookies;
    std::string returned;
    std::string merged;
};

class MergeCookiesCases : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesCases, MergesIntoTheCallersText) {
    const MergeCase& c = GetParam();
    std::string cookies = c.cookies, returned = c.returned;
    EXPECT_EQ(MergeCookies(cookies, returned), c.merged) << c.what;
    EXPECT_EQ(cookies, c.merged) << c.what;
    EXPECT_EQ(returned.find(' '), std::string::npos) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cookies, MergeCookiesCases,
    ::testing::Values(MergeCase{"response replaces and leads", "a=1; b=2", "b=3; c=4",
                                "b=3; c=4; a=1"},
                      MergeCase{"deleted removes", "a=1", "a=deleted", ""},
                      MergeCase{"same line twice", "z=9", "x=1; x=1", "x=1; z=9"},
                      MergeCase{"same name twice in response", "z=9", "x=1; x=2", "x=1; x=2; z=9"},
                      MergeCase{"spaces removed", "", "n=a b", "n=ab"},
                      MergeCase{"first of the caller's names wins", "k=1; k=2", "", "k=1"},
                      MergeCase{"case matters", "A=1", "a=2", "a=2; A=1"},
                      MergeCase{"both empty", "", "", ""},
                      MergeCase{"into empty cookies", "", "s=1; t=2", "s=1; t=2"},
                      MergeCase{"deleted without an old one", "q=1", "d=deleted", "q=1"},
                      MergeCase{"short entry is not deleted", "", "deleted", "deleted"},
                      MergeCase{"empty piece kept", "a=1;", "", "a=1; "}));

TEST(MergeCookies, ReturnedTextLosesItsSpaces) {
    std::string cookies = "a = 1", returned = "n=a b; m=2";
    MergeCookies(cookies, returned);
    EXPECT_EQ(returned, "n=ab;m=2");
    EXPECT_EQ(cookies, "n=ab; m=2; a=1");
}

TEST(CookieName, NameBeforeFirstEquals) {
    EXPECT_EQ(CookieName("  sid  =x=y"), "sid");
    EXPECT_EQ(CookieName(" flag "), "flag");
    EXPECT_EQ(CookieName("=v"), "");
    EXPECT_EQ(CookieName(""), "");
}

TEST(HasCookieNamed, ExactNames) {
    const TextList list = {"a=1", " b =2", "c"};
    EXPECT_TRUE(HasCookieNamed(list, "b"));
    EXPECT_TRUE(HasCookieNamed(list, "c"));
    EXPECT_FALSE(HasCookieNamed(list, "A"));
    EXPECT_FALSE(HasCookieNamed({}, ""));
}

TEST(RemoveDuplicateItems, KeepsFirstOccurrences) {
    EXPECT_EQ(RemoveDuplicateItems("x; y; x", "; "), "x; y");
    EXPECT_EQ(RemoveDuplicateItems("", "; "), "");
    EXPECT_EQ(RemoveDuplicateItems("a,a,a", ","), "a");
    EXPECT_EQ(RemoveDuplicateItems("a,,b,", ","), "a,,b");
}

TEST(IndexOfText, OneBasedFirstMatch) {
    EXPECT_EQ(IndexOfText({"a", "b", "b"}, "b"), 2);
    EXPECT_EQ(IndexOfText({}, "a"), -1);
    EXPECT_EQ(IndexOfText({"A"}, "a"), -1);
}

TEST(CookieMergeHostile, ManyEntriesStayFast) {
    std::string cookies, returned;
    for (int i = 0; i < 50000; ++i)
        cookies += "c" + std::to_string(i) + "=v; ";
    for (int i = 0; i < 50000; i += 2)
        returned += "c" + std::to_string(i) + "=deleted;";
    returned.pop_back(); // no trailing separator, as a response never leaves one
    const std::string merged = MergeCookies(cookies, returned);
    EXPECT_NE(merged.find("c49999=v"), std::string::npos);
    EXPECT_EQ(merged.find("c0=v"), std::string::npos);
    EXPECT_EQ(merged.rfind("c1=v; c3=v", 0), 0u);
}

} // namespace
} // namespace veldo
