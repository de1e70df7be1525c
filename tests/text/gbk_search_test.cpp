// Searching GBK texts: matches never start on a trail byte, case folding touches ASCII only.
#include "text/gbk_search.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace veldo {
namespace {

using namespace std::string_literals;
constexpr size_t npos = std::string_view::npos;

struct FindCase {
    const char* what;
    std::string text;
    std::string needle;
    size_t from;
    bool ignoreCase;
    size_t expected;
};

class FindGbkCases : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindGbkCases, FindsTheFirstMatchOnACharacterStart) {
    const FindCase& c = GetParam();
    EXPECT_EQ(FindGbk(c.text, c.needle, c.from, c.ignoreCase), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Search, FindGbkCases,
    ::testing::Values(FindCase{"plain", "abc", "b", 0, false, 1},
                      FindCase{"case respected", "ABC", "b", 0, false, npos},
                      FindCase{"case ignored", "ABC", "b", 0, true, 1},
                      FindCase{"trail byte looks like a", "\xD2\x61", "a", 0, false, npos},
                      FindCase{"skips the trail, finds the letter after",
                               "\xD2\x61"
                               "a",
                               "a", 0, false, 2},
                      FindCase{"trail byte ignoring case",
                               "\xD2\x41"
                               "x",
                               "a", 0, true, npos},
                      FindCase{"pair trail keeps its case", "\x81\x61", "\x81\x41", 0, true, npos},
                      FindCase{"pair found exactly", "x\x81\x61", "\x81\x61", 0, true, 1},
                      FindCase{"pair across two characters", "\xB0\xA1\xB0\xA1", "\xA1\xB0", 0,
                               false, npos},
                      FindCase{"odd run of lead bytes",
                               "\xB0\xB0\xB0"
                               "a",
                               "a", 0, false, npos},
                      FindCase{"even run of lead bytes",
                               "\xB0\xB0"
                               "a",
                               "a", 0, false, 2},
                      FindCase{"lone lead before a quote", "\xCD\"x\"", "\"", 0, false, 1},
                      FindCase{"0x7F is never a trail", "\xCD\x7F", "\x7F", 0, false, 1},
                      FindCase{"0x80 and 0xFF stand alone",
                               "\x80"
                               "a\xFF"
                               "b",
                               "b", 0, false, 3},
                      FindCase{"after chinese",
                               "\xCD\xEA"
                               "abc",
                               "abc", 0, false, 2},
                      FindCase{"all-letter needle, mixed case", "xxHeLLo", "hello", 0, true, 2},
                      FindCase{"all-letter needle, trail first",
                               "\xD2h"
                               "ello"
                               "Hello",
                               "hello", 0, true, 6},
                      FindCase{"from skips earlier match", "a.a.", "a", 1, false, 2},
                      FindCase{"from at the end", "abc", "", 3, false, 3},
                      FindCase{"from beyond the end", "abc", "", 4, false, npos},
                      FindCase{"from beyond the end, needle", "abc", "a", 9, false, npos},
                      FindCase{"needle longer than text", "ab", "abc", 0, true, npos},
                      FindCase{"empty text", "", "a", 0, false, npos},
                      FindCase{"zero bytes", "a\0b\0c"s, "\0c"s, 0, false, 3}));

// The simplest correct search: walk the characters and compare at each start.
size_t ReferenceFind(const std::string& text, const std::string& needle, bool ignoreCase) {
    auto lead = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
    auto trail = [](unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; };
    auto isPair = [&](const std::string& s, size_t i) {
        return lead(s[i]) && i + 1 < s.size() && trail(s[i + 1]);
    };
    auto lower = [](unsigned char b) { return b >= 'A' && b <= 'Z' ? b | 0x20 : b; };
    for (size_t p = 0; p + needle.size() <= text.size(); p += isPair(text, p) ? 2 : 1) {
        bool same = true;
        for (size_t i = 0; i < needle.size() && same;) {
            if (isPair(needle, i)) {
                same = text.compare(p + i, 2, needle, i, 2) == 0;
                i += 2;
            } else {
                const auto t = static_cast<unsigned char>(text[p + i]);
                const auto n = static_cast<unsigned char>(needle[i]);
                same = ignoreCase ? lower(t) == lower(n) : t == n;
                ++i;
            }
        }
        if (same) return p;
        if (p + 1 >= text.size()) break;
    }
    return npos;
}

// Random texts over an alphabet of lead, trail, letter and separator bytes, with short needles
// (byte scan) and long ones (KMP), against the reference.
TEST(FindGbkDifferential, AgreesWithACharacterWalk) {
    const std::string alphabet = "aA\xB0\xA1\x40\x7F\"b";
    std::mt19937 random(7);
    for (int round = 0; round < 4000; ++round) {
        const bool longNeedle = round % 4 == 0;
        std::string text(longNeedle ? 300 : 40, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        const size_t start = random() % text.size();
        const size_t length = longNeedle ? 65 + random() % 20 : 1 + random() % 4;
        std::string needle = text.substr(start, length);
        if (round % 3 == 0)
            for (char& c : needle)
                if (c == 'a') c = 'A';
        const bool ignoreCase = round % 2 == 0;
        ASSERT_EQ(FindGbk(text, needle, 0, ignoreCase), ReferenceFind(text, needle, ignoreCase))
            << "round " << round;
    }
}

TEST(FindLastGbk, LastMatchOnACharacterStart) {
    EXPECT_EQ(FindLastGbk("a>b>c", ">"), 3u);
    EXPECT_EQ(FindLastGbk("a\xD2"
                          "a",
                          "a"),
              0u);
    EXPECT_EQ(FindLastGbk("\xB0\xA1\xB0\xA1", "\xB0\xA1"), 2u);
    EXPECT_EQ(FindLastGbk("aaa", "aa"), 1u);
    EXPECT_EQ(FindLastGbk("abc", "x"), npos);
    EXPECT_EQ(FindLastGbk("abc", ""), 3u);
    EXPECT_EQ(FindLastGbk("ABC", "b", true), 1u);
}

TEST(ReplaceAllGbk, ReplacesEachMatchOnce) {
    EXPECT_EQ(ReplaceAllGbk("aXbXc", "X", "--"), "a--b--c");
    EXPECT_EQ(ReplaceAllGbk("aa", "a", "aa"), "aaaa");
    EXPECT_EQ(ReplaceAllGbk("\xD2\x61"
                            "a",
                            "a", "b"),
              "\xD2\x61"
              "b");
    EXPECT_EQ(ReplaceAllGbk("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAllGbk("A", "a", "x"), "A");
}

struct SplitCase {
    const char* what;
    std::string text;
    std::string separator;
    std::vector<std::string> pieces;
};

class SplitGbkCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitGbkCases, Pieces) {
    EXPECT_EQ(SplitGbk(GetParam().text, GetParam().separator), GetParam().pieces)
        << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Search, SplitGbkCases,
    ::testing::Values(SplitCase{"empty text", "", ";", {}},
                      SplitCase{"no separator", "ab", ";", {"ab"}},
                      SplitCase{"two", "a;b", ";", {"a", "b"}},
                      SplitCase{"empty between", "a;;b", ";", {"a", "", "b"}},
                      SplitCase{"trailing", "a;", ";", {"a", ""}},
                      SplitCase{"separator only", ";", ";", {"", ""}},
                      SplitCase{"long separator", "x; y; z", "; ", {"x", "y", "z"}},
                      SplitCase{"separator inside a character", "\xD2\x61", "a", {"\xD2\x61"}},
                      SplitCase{"empty separator", "ab", "", {"ab"}}));

TEST(TrimSpaces, RemovesSpacesAtBothEndsOnly) {
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces(""), "");
    EXPECT_EQ(TrimSpaces("\ta "), "\ta");
}

TEST(AsciiLower, LowersLettersButNotTrailBytes) {
    EXPECT_EQ(AsciiLower("AbC\xD2\x41Z"), "abc\xD2\x41z");
    EXPECT_EQ(AsciiLower("\x80"
                         "A"),
              "\x80"
              "a");
    EXPECT_EQ(AsciiLower("@[`{"), "@[`{");
}

// Inputs an attacker controls: huge and degenerate needles stay linear and in bounds.
TEST(GbkSearchHostile, MegabyteNeedles) {
    const std::string big(1 << 20, 'a');
    EXPECT_EQ(FindGbk("short", big), npos);
    EXPECT_EQ(FindGbk("short", big, 0, true), npos);
    std::string text(2 << 20, 'a');
    std::string needle = big + "b";
    EXPECT_EQ(FindGbk(text, needle, 0, true), npos); // quadratic if verified naively
    EXPECT_EQ(FindGbk(text, needle), npos);
    text += "B";
    EXPECT_EQ(FindGbk(text, needle, 0, true), text.size() - needle.size());
    EXPECT_EQ(FindLastGbk(text, big), text.size() - 1 - big.size());
}

TEST(GbkSearchHostile, AllLeadBytesAndTruncatedCharacters) {
    const std::string leads(1 << 18, '\xB0');
    EXPECT_EQ(FindGbk(leads, "\xB0\xB0"), 0u);
    EXPECT_EQ(FindLastGbk(leads, "\xB0\xB0"), leads.size() - 2);
    const std::string oddLeads = leads + "\xB0";
    EXPECT_EQ(FindGbk(leads + "a", "a"), leads.size()); // the leads pair up among themselves
    EXPECT_EQ(FindGbk(oddLeads + "a", "a"), npos);      // the a is the trail of the last pair
    EXPECT_EQ(FindGbk("abc\xB0", "\xB0"), 3u);
    std::string joined; // a separator that is a lone lead byte still splits without loss
    for (const auto& piece : SplitGbk(leads, "\xB0"))
        joined += piece + "\xB0";
    EXPECT_EQ(joined, leads + "\xB0");
}

} // namespace
} // namespace veldo
