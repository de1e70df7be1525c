#include "text/regex_object.h"

#include "platform/codepage/code_page.h"
#include "text/gbk_units.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veldo {
namespace {

class RegexObjectTest : public ::testing::Test {
  protected:
    std::vector<std::string> AllMatches() const {
        std::vector<std::string> out;
        for (int32_t i = 1; i <= regex.MatchCount(); ++i)
            out.push_back(regex.MatchText(i));
        return out;
    }
    RegexObject regex;
};

TEST_F(RegexObjectTest, IgnoresCaseAndListsEveryMatchByDefault) {
    EXPECT_TRUE(regex.Search("ab", "xAByab"));
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), "AB");
    EXPECT_EQ(regex.MatchText(2), "ab");
}

TEST_F(RegexObjectTest, HonoursCaseSensitiveAndGlobal) {
    regex.Search("ab", "xAByab", /*caseSensitive=*/true);
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"ab"});
    regex.Search("ab", "xAByab", false, true, /*global=*/false);
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"AB"});
}

TEST_F(RegexObjectTest, FoldsCaseBeyondAscii) {
    // Fullwidth Ａ/ａ (A3C1/A3E1) and Greek Α/α (A6A1/A6C1) as GBK.
    regex.Search("\xA3\xE1\xA6\xC1", "x\xA3\xC1\xA6\xA1y");
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"\xA3\xC1\xA6\xA1"});
}

TEST_F(RegexObjectTest, ExpandsTheQuoteTokenOnlyWhenAsked) {
    const std::string pattern = std::string(kQuoteToken) + "a" + kQuoteToken;
    regex.Search(pattern, "x\"a\"y", false, true, true, /*expandQuoteToken=*/true);
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"\"a\""});
    EXPECT_EQ(regex.PatternText(), "\"a\"");
    regex.Search(pattern, "x\"a\"y");
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.PatternText(), pattern);
}

TEST_F(RegexObjectTest, GivesGroupsByOneBasedNumber) {
    regex.Search("<(\\w+)=(\\d*)>", "<a=1><bb=>");
    EXPECT_EQ(regex.SubmatchCount(), 2);
    EXPECT_EQ(regex.SubmatchText(1, 1), "a");
    EXPECT_EQ(regex.SubmatchText(1, 2), "1");
    EXPECT_EQ(regex.SubmatchText(2, 1), "bb");
    EXPECT_EQ(regex.SubmatchText(2, 2), "");
}

TEST_F(RegexObjectTest, LazyGroupTakesAsLittleAsPossible) {
    regex.Search("<([\\s\\S]*?)>", "<><a\nb><c>");
    EXPECT_EQ(regex.MatchCount(), 3);
    EXPECT_EQ(regex.SubmatchText(1, 1), "");
    EXPECT_EQ(regex.SubmatchText(2, 1), "a\nb");
    EXPECT_EQ(regex.SubmatchText(3, 1), "c");
}

TEST_F(RegexObjectTest, DotStopsAtLineFeedOnly) {
    regex.Search("a.b", "a\nb a\rb axb");
    EXPECT_EQ(AllMatches(), (std::vector<std::string>{"a\rb", "axb"}));
}

TEST_F(RegexObjectTest, AnchorsFollowMultiline) {
    regex.Search("^\\w+$", "one\ntwo\n");
    EXPECT_EQ(AllMatches(), (std::vector<std::string>{"one", "two"}));
    regex.Search("^\\w+$", "one\ntwo\n", false, /*multiline=*/false);
    EXPECT_EQ(regex.MatchCount(), 0); // "$" is the very end, not before a final line feed
    regex.Search("^\\w+$", "one\ntwo", false, false);
    EXPECT_EQ(regex.MatchCount(), 0);
    regex.Search("\\w+$", "one\ntwo", false, false);
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"two"});
}

TEST_F(RegexObjectTest, EmptyMatchesAdvanceByOneUnit) {
    regex.Search("x*", "axb");
    EXPECT_EQ(AllMatches(), (std::vector<std::string>{"", "x", "", ""}));
    regex.Search("", "\xD6\xD0\xCE\xC4"); // one empty match per character and one at the end
    EXPECT_EQ(regex.MatchCount(), 3);
}

TEST_F(RegexObjectTest, UsesScriptEscapes) {
    regex.Search("\\u4e2d\\x41[^]", "\xD6\xD0"
                                    "A\n");
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"\xD6\xD0"
                                                     "A\n"});
    regex.Search("a[]", "a");
    EXPECT_EQ(regex.MatchCount(), 0);
    regex.Search("(a)?b\\1", "b");
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"b"});
}

TEST_F(RegexObjectTest, InvalidPatternLeavesNoMatchList) {
    EXPECT_FALSE(regex.Search("(ab", "ab"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubmatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_EQ(regex.ReplaceMatches("x"), "");
    EXPECT_EQ(regex.PatternText(), "(ab");
}

TEST_F(RegexObjectTest, AnswersBeforeAnySearchAndOutOfRange) {
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.PatternText(), "");
    EXPECT_EQ(regex.ReplaceMatches("x"), "");
    int32_t position = 7;
    EXPECT_EQ(regex.MatchText(1, &position), "");
    EXPECT_EQ(position, -1);
    regex.Search("(a)|(b)", "a");
    EXPECT_EQ(regex.MatchText(0), "");
    EXPECT_EQ(regex.MatchText(2), "");
    EXPECT_EQ(regex.MatchText(-5), "");
    EXPECT_EQ(regex.SubmatchText(1, 0), "");
    EXPECT_EQ(regex.SubmatchText(1, 3), "");
    EXPECT_EQ(regex.SubmatchText(1, 2, &position), ""); // took no part
    EXPECT_EQ(position, -1);
}

TEST_F(RegexObjectTest, SecondSearchReplacesTheFirst) {
    regex.Search("a", "aaa");
    regex.Search("b(c)", "bc");
    EXPECT_EQ(AllMatches(), std::vector<std::string>{"bc"});
    EXPECT_EQ(regex.SubmatchCount(), 1);
    EXPECT_EQ(regex.ReplaceMatches("[$&]"), "[bc]");
}

TEST_F(RegexObjectTest, PositionsCountGbkBytes) {
    regex.Search("a(a)", "\xD6\xD0"
                         "xaa"
                         "\xCE\xC4"
                         "aa");
    int32_t position = 0;
    EXPECT_EQ(regex.MatchText(1, &position), "aa");
    EXPECT_EQ(position, 3);
    EXPECT_EQ(regex.SubmatchText(1, 1, &position), "a");
    EXPECT_EQ(position, 4); // the group's own place, not the first "a" of the match
    EXPECT_EQ(regex.MatchText(2, &position), "aa");
    EXPECT_EQ(position, 7);
}

struct ReplaceCase {
    const char* pattern;
    const char* subject;
    bool global;
    const char* replacement;
    const char* expected;
};

TEST_F(RegexObjectTest, ReplacesWithTheScriptSyntax) {
    const ReplaceCase cases[] = {
        {"(\\w)(\\d)", "a1 b2", true, "$2$1", "1a 2b"},
        {"(\\w)(\\d)", "a1 b2", false, "$2$1", "1a b2"},
        {"b", "abc", true, "[$`|$&|$']", "a[a|b|c]c"},
        {"b", "abc", true, "$$", "a$c"},
        {"b", "abc", true, "$0$3$x$", "a$0$3$x$c"},
        {"(b)", "abc", true, "$01$11$10",
         "ab"
         "b1"
         "b0"
         "c"},
        {"(a)|(b)", "ab", true, "<$2>", "<><b>"},
        {"z", "abc", true, "y", "abc"},
        {"x*", "ab", true, "-", "-a-b-"},
        {"\xD6\xD0",
         "a\xD6\xD0"
         "b",
         true, "\xCE\xC4$&",
         "a\xCE\xC4\xD6\xD0"
         "b"},
    };
    for (const auto& c : cases) {
        regex.Search(c.pattern, c.subject, false, true, c.global);
        EXPECT_EQ(regex.ReplaceMatches(c.replacement), c.expected) << c.pattern << " " << c.subject;
    }
}

TEST_F(RegexObjectTest, GlobalSearchOverALargeSubjectFindsEveryMatch) {
    // 200,000 matches over 2.6 MB: a search that re-checked the subject on every match would
    // run for minutes, and one lazy group spanning 1 MB needs more than the JIT's default stack.
    std::string subject;
    for (int i = 0; i < 200000; ++i)
        subject += "<" + std::to_string(i % 10) + "> x\xD6\xD0 ";
    ASSERT_TRUE(regex.Search("<(\\d)>", subject));
    ASSERT_EQ(regex.MatchCount(), 200000);
    EXPECT_EQ(regex.SubmatchText(199999, 1), "8");

    const std::string wide(1 << 20, 'w');
    ASSERT_TRUE(regex.Search("<([\\s\\S]*?)>", "<" + wide + ">"));
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubmatchText(1, 1).size(), wide.size());
}

} // namespace
} // namespace veldo

namespace veldo {
namespace {

// The run-wise conversions must give exactly what the whole-text ones give, on ASCII, GBK,
// invalid and cut-off double-byte sequences alike.
TEST(GbkUnits, ConvertAsTheWholeTextConversions) {
    const std::string narrowCases[] = {
        "",
        "plain ascii",
        "\xD6\xD0\xCE\xC4 mixed \xC9\xF9",
        "\x81\x5Cu\x81[\x81{", // trail bytes in the ASCII range
        "a\x80"
        "b\xFF"
        "c",
        "lead at the end \x81",
        "\x81 \x81\x7F\x81\x30\xFE\xFF",
        "\xA1\xAF'\xD6",
    };
    for (const auto& gbk : narrowCases) {
        bool surrogates = true;
        EXPECT_EQ(WidenGbk(gbk, &surrogates), GbkToUtf16(gbk)) << gbk;
        EXPECT_FALSE(surrogates);
    }
    const std::u16string wideCases[] = {
        u"",
        u"plain",
        u"\u4e2d\u6587 x \u58f0",
        u"e\u0301 a\u0300\u0301 \u00e9", // combining marks after an ASCII base
        u"\U0001F600 \xD800 x \xDC00",
        u"\u0e01\u20ac\x80",
    };
    for (const auto& wide : wideCases)
        EXPECT_EQ(NarrowToGbk(wide), Utf16ToGbk(wide));
}

} // namespace
} // namespace veldo
