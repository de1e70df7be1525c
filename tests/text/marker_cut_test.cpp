// Cutting fields out of web text by markers.
#include "text/marker_cut.h"

#include <gtest/gtest.h>
#include <string>

namespace veldo {
namespace {

using namespace std::string_literals;

const std::string kRecord =
    R"({"id":7,"pic":"http://x/p.jpg","source":"http://x/s.mp3","name":"Song"})";

struct BetweenCase {
    const char* what;
    std::string text, left, right, expected;
};

class TextBetweenCases : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenCases, Cuts) {
    const BetweenCase& c = GetParam();
    EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    MarkerCut, TextBetweenCases,
    ::testing::Values(
        BetweenCase{"field followed by another", kRecord, R"("pic":")", R"(",")", "http://x/p.jpg"},
        BetweenCase{"source field", kRecord, R"(","source":")", R"(",")", "http://x/s.mp3"},
        BetweenCase{"last field has no right marker", kRecord, R"("name":")", R"(",")", ""},
        BetweenCase{"first left marker wins", "[a]x[b]", "[", "]", "a"},
        BetweenCase{"quote token", R"(x"id":42,)", "#\xD2\xFD\xBA\xC5id#\xD2\xFD\xBA\xC5:", ",",
                    "42"},
        BetweenCase{"case ignored", "user-agent: Veldo\r\nX", "User-Agent:", "\r\n", " Veldo"},
        BetweenCase{"right marker only before left", "]x[", "[", "]", ""},
        BetweenCase{"adjacent markers", "[]", "[", "]", ""},
        BetweenCase{"right marker searched after left", "a=1;b", "a=", ";", "1"},
        BetweenCase{"missing left", "abc", "x", "c", ""},
        BetweenCase{"empty text", "", "a", "b", ""},
        BetweenCase{"left marker on a trail byte",
                    "\xD2["
                    "x]"
                    "[y]",
                    "[", "]", "y"},
        BetweenCase{"right marker on a trail byte",
                    "<\xD2"
                    "a"
                    "b"
                    "a",
                    "<", "a",
                    "\xD2"
                    "ab"},
        BetweenCase{"case-folded left skips trail",
                    "\xB0"
                    "Ax"
                    "a1b",
                    "a", "b", "1"},
        BetweenCase{"zero byte inside", "k=\0v;"s, "k=", ";", "\0v"s},
        BetweenCase{"marker longer than text", "ab", "abcdef", "b", ""},
        BetweenCase{"left at the very end", "xx[", "[", "]", ""},
        BetweenCase{"truncated lead at the end", "[a\xD2", "[", "\xD2", "a"}));

TEST(TextRightOfLast, TakesWhatFollowsTheLastMarker) {
    EXPECT_EQ(TextRightOfLast("http://host/sound/123", "sound/"), "123");
    EXPECT_EQ(TextRightOfLast("a>b>c", ">"), "c");
    EXPECT_EQ(TextRightOfLast("a>b>", ">"), "");
    EXPECT_EQ(TextRightOfLast("abc", ">"), "");
    EXPECT_EQ(TextRightOfLast("a>B", "b"), ""); // case respected
    EXPECT_EQ(TextRightOfLast("xa\xD2"
                              "ab",
                              "a"),
              "\xD2"
              "ab"); // not the trail byte
    EXPECT_EQ(TextRightOfLast("", ">"), "");
}

TEST(TextLeftOf, TakesWhatPrecedesTheFirstMarker) {
    EXPECT_EQ(TextLeftOf("123\">Name", "\""), "123");
    EXPECT_EQ(TextLeftOf("\"123", "\""), "");
    EXPECT_EQ(TextLeftOf("123", "\""), "");
    EXPECT_EQ(TextLeftOf("aBb", "b"), "aB");
    EXPECT_EQ(TextLeftOf("\xD2"
                         "aba",
                         "a"),
              "\xD2"
              "ab"); // the first a is a trail byte
}

TEST(MarkerCutHostile, MegabyteMarkersAndUnevenTexts) {
    const std::string big(1 << 20, 'x');
    EXPECT_EQ(TextBetween("abc", big, "c"), "");
    EXPECT_EQ(TextBetween(big + "[1]", big, "]"), "[1");
    EXPECT_EQ(TextBetween("[" + big + "]", "[", big + "]"), "");
    EXPECT_EQ(TextBetween("[" + big + "]", "[", "]").size(), big.size());
    EXPECT_EQ(TextLeftOf("abc", big), "");
    EXPECT_EQ(TextRightOfLast(big, big), "");
    EXPECT_EQ(TextRightOfLast("x", big), "");
}

} // namespace
} // namespace veldo
