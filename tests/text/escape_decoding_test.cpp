#include "text/escape_decoding.h"
#include "text/script_literal.h"

#include <gtest/gtest.h>

#include <string>

namespace veldo {
namespace {

struct WideCase {
    std::u16string input;
    std::u16string expected;
};

// What an ECMAScript engine gives for '...' with the same body (every row of the literal table).
TEST(DecodeSingleQuotedLiteral, DecodesEachEscapeAsAScriptEngine) {
    const WideCase cases[] = {
        {u"\\b\\t\\n\\v\\f\\r", u"\b\t\n\v\f\r"},
        {u"\\x41\\x7a\\xFF", u"Az\u00FF"},
        {u"\\x4", u"x4"}, // too few hex digits: the x stands for itself
        {u"\\xG1", u"xG1"},
        {u"\\101\\60\\7", u"A0\u0007"},
        {u"\\377", u"\u00FF"},
        {u"\\400", u" 0"},  // only \40 fits under 377
        {u"\\1234", u"S4"}, // three octal digits at most
        {u"\\0", std::u16string(1, u'\0')},
        {u"\\08", std::u16string(1, u'\0') + u"8"},
        {u"\\8\\9", u"89"},
        {u"\\\"\\'\\\\\\/\\%\\U", u"\"'\\/%U"},
        {u"a\\\nb", u"ab"}, // a backslash before a line break continues the line
        {u"a\\\u2028b", u"ab"},
        {u"\\u4e2d", u"\u4e2d"},
        {u"\\u4e2", u"u4e2"},
        {u"\u4e2d\u6587", u"\u4e2d\u6587"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeSingleQuotedLiteral(c.input), c.expected);
}

TEST(DecodeSingleQuotedLiteral, DecodesWhatAScriptWouldRejectLeniently) {
    EXPECT_EQ(DecodeSingleQuotedLiteral(u"a\nb\rc"), u"a\nb\rc");
    EXPECT_EQ(DecodeSingleQuotedLiteral(u"ab\\"), u"ab\\");
    EXPECT_EQ(DecodeSingleQuotedLiteral(u"ab\\\\\\"), u"ab\\\\");
    EXPECT_EQ(DecodeSingleQuotedLiteral(u"\\"), u"\\");
}

TEST(UnescapePercent, DecodesAsTheScriptFunction) {
    const WideCase cases[] = {
        {u"%u4e2d%u6587", u"\u4e2d\u6587"},
        {u"%U4e2d", u"%U4e2d"}, // only a lower-case u
        {u"%uD83D%uDE00", u"\U0001F600"},
        {u"a%20b%41%7a", u"a bAz"},
        {u"100%", u"100%"},
        {u"%4", u"%4"},
        {u"%u12", u"%u12"},
        {u"%u12zz", u"%u12zz"},
        {u"%%41", u"%A"},
        {u"%2541", u"%41"}, // decoded text is not decoded again
        {u"%zz%", u"%zz%"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnescapePercent(c.input), c.expected);
}

struct GbkCase {
    std::string input;
    std::string expected;
};

TEST(DecodeEscapes, DecodesTheRecordsOfTheSite) {
    const GbkCase cases[] = {
        {"\\u4e2d\\u6587", "\xD6\xD0\xCE\xC4"}, // 中文
        {"\\U4e2d", "U4e2d"},
        {"a\\/b", "a/b"},
        {"\\\"", "\""},
        {"a%20b", "a b"},
        {"%41", "A"},
        {"100%", "100%"},
        {"\\\\u0041", "A"}, // the doubled backslash is eaten by the literal, %u0041 by unescape
        {"\\U0041", "U0041"},
        {"it's", "it's"},
        {"it\xA1\xAFs", "it's"}, // "’" comes back as an apostrophe
        {"\\u2019", "'"},
        {"a\\'b", "a'b"},
        {"a\r\nb", "a\r\nb"},
        {"a{$}b", "a\r\nb"},
        {"%7B$%7D", "\r\n"},
        {"\r\nab", "\r\nab"},
        {"\rab", "ab"},
        {"a\rb", "a\rb"},
        {"\\x41\\101\\n", "A"
                          "A"
                          "\n"},
        {"\\u0e01", "?"}, // GBK has no Thai
        {"\xD6\xD0\\u6587\xCE\xC4", "\xD6\xD0\xCE\xC4\xCE\xC4"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeEscapes(c.input), c.expected) << c.input;
}

TEST(DecodeEscapes, ReadsARealSoundRecord) {
    const std::string record =
        "{\"pic\":\"http:\\/\\/img.example\\/a.jpg\",\"source\":\"http:\\/\\/cdn.example\\/a.mp3\","
        "\"name\":\"\\u4e2d\\u6587 \\\"live\\\"\"}";
    EXPECT_EQ(DecodeEscapes(record),
              "{\"pic\":\"http://img.example/a.jpg\",\"source\":\"http://cdn.example/a.mp3\","
              "\"name\":\"\xD6\xD0\xCE\xC4 \"live\"\"}");
}

TEST(DecodeEscapes, KeepsFieldsOfARecordThatAScriptCouldNotRun) {
    // A raw line break and a trailing lone backslash would make the script fail.
    EXPECT_EQ(DecodeEscapes("{\"name\":\"a\nb\\u0041\"}\\"), "{\"name\":\"a\nbA\"}\\");
}

TEST(DecodeEscapes, NeverReadsATrailByteAsABackslash) {
    // 乗 is 81 5C: its trail byte is a backslash, but "\u" after it is no escape.
    EXPECT_EQ(DecodeEscapes("\x81\x5Cu0041"), "\x81\x5Cu0041");
}

TEST(DecodeEscapes, NarrowsCharactersGbkCannotHoldToQuestionMarks) {
    const std::string result = DecodeEscapes("a%uD83D%uDE00b\\uD800c");
    ASSERT_GE(result.size(), 5u);
    EXPECT_EQ(result.front(), 'a');
    EXPECT_EQ(result.back(), 'c');
    for (char c : result.substr(1, result.size() - 2))
        EXPECT_TRUE(c == 'b' || c == '?') << result;
}

} // namespace
} // namespace veldo
