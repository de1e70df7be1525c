// Conversions between UTF-8, UTF-16 and code page 936 with the results Windows gives.
#include "platform/codepage/code_page.h"
#include "web/charset.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace veldo {
namespace {

using namespace std::string_literals;

struct GbkCase {
    const char* what;
    std::string utf8;
    std::string gbk;
};

class Utf8ToGbkCases : public ::testing::TestWithParam<GbkCase> {};

TEST_P(Utf8ToGbkCases, GivesWindowsBytes) {
    const GbkCase& c = GetParam();
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.what;
    // The one-pass path and the path through UTF-16 agree.
    EXPECT_EQ(Utf16ToGbk(Utf8ToUtf16Units(c.utf8)), c.gbk) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Charset, Utf8ToGbkCases,
    ::testing::Values(GbkCase{"empty", "", ""},
                      GbkCase{"ascii", "Hello, <a href=\"x\">!", "Hello, <a href=\"x\">!"},
                      GbkCase{"done", "\xE5\xAE\x8C\xE6\x88\x90", "\xCD\xEA\xB3\xC9"},
                      GbkCase{"zero bytes kept", "a\0\xE5\xAE\x8C\0b"s, "a\0\xCD\xEA\0b"s},
                      GbkCase{"euro is 0x80", "\xE2\x82\xAC", "\x80"},
                      GbkCase{"emoji is two units, each ?", "x\xF0\x9F\x98\x80y", "x??y"},
                      GbkCase{"no GBK form", "\xE0\xB8\x81", "?"},
                      GbkCase{"stray continuation", "a\x80z", "a?z"},
                      GbkCase{"invalid byte", "\xFF\xFE", "??"},
                      GbkCase{"truncated three-byte is one subpart", "\xE5\xAE", "?"},
                      GbkCase{"truncated then ascii", "\xE5\xAE\x22", "?\""},
                      GbkCase{"truncated four-byte", "\xF0\x9F\x98", "?"},
                      GbkCase{"overlong two-byte", "\xC0\xAF", "??"},
                      GbkCase{"overlong three-byte", "\xE0\x80\xAF", "???"},
                      GbkCase{"encoded surrogate", "\xED\xA0\x80", "???"},
                      GbkCase{"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
                      GbkCase{"bad third byte", "\xE5\xAE\x41", "?A"},
                      GbkCase{"decomposed e acute composes", "e\xCC\x81", "\xA8\xA6"},
                      GbkCase{"decomposed after chinese",
                              "\xE5\xAE\x8C"
                              "e\xCC\x81",
                              "\xCD\xEA\xA8\xA6"},
                      GbkCase{"mark that cannot compose", "\xE5\xAE\x8C\xCC\x81", "\xCD\xEA?"},
                      GbkCase{"mark at start", "\xCC\x81", "?"}));

TEST(Utf8ToUtf16, SizesAndSurrogatePairs) {
    EXPECT_EQ(Utf8ToUtf16(""), "");
    EXPECT_EQ(Utf8ToUtf16("A"), "A\0"s);
    EXPECT_EQ(Utf8ToUtf16("\xE5\xAE\x8C"), "\x8C\x5B"); // U+5B8C
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), "\x3D\xD8\x00\xDE"s);
    EXPECT_EQ(Utf8ToUtf16("\0"s), "\0\0"s);
    EXPECT_EQ(Utf8ToUtf16("\xE5\xAE"), "\xFD\xFF");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), "\xFD\xFF\xFD\xFF");
}

TEST(Utf16ToGbk, LoneSurrogatesBecomeQuestionMarks) {
    EXPECT_EQ(Utf16ToGbk(u"a\xD800"
                         u"b"),
              "a?b");
    EXPECT_EQ(Utf16ToGbk(u"\xDC00"), "?");
}

TEST(Utf16ToUtf8, PairsAndLoneSurrogates) {
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D"
                          u"a"),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Utf16ToUtf8(u"\x5B8C"), "\xE5\xAE\x8C");
}

TEST(GbkToUtf8, DecodesPairsAndSingles) {
    EXPECT_EQ(GbkToUtf8("\xCD\xEA\xB3\xC9"), "\xE5\xAE\x8C\xE6\x88\x90");
    EXPECT_EQ(GbkToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(GbkToUtf8("a\0b"s), "a\0b"s);
    EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(GbkToUtf8, BrokenLeadNeverSwallowsTheNextByte) {
    EXPECT_EQ(GbkToUtf8("\xCD"), "\xEF\xBF\xBD");         // lead at the end
    EXPECT_EQ(GbkToUtf8("\xCD\""), "\xEF\xBF\xBD\"");     // lead before a quote
    EXPECT_EQ(GbkToUtf8("\xCD\x7F"), "\xEF\xBF\xBD\x7F"); // 0x7F is never a trail
}

// Every character with a GBK form comes back from it unchanged, and GBK's lead/trail layout
// holds for every two-byte form: what the text search relies on.
TEST(GbkTables, EveryMappedCharacterRoundTrips) {
    int mapped = 0;
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::u16string one(1, static_cast<char16_t>(c));
        const std::string gbk = Utf16ToGbk(one);
        if (gbk == "?") continue;
        ++mapped;
        ASSERT_EQ(GbkToUtf16(gbk), one) << std::hex << static_cast<unsigned>(c);
        if (gbk.size() == 2) {
            const auto lead = static_cast<unsigned char>(gbk[0]);
            const auto trail = static_cast<unsigned char>(gbk[1]);
            ASSERT_TRUE(lead >= 0x81 && lead <= 0xFE) << std::hex << static_cast<unsigned>(c);
            ASSERT_TRUE(trail >= 0x40 && trail <= 0xFE && trail != 0x7F);
        }
    }
    EXPECT_GT(mapped, 21000); // GBK holds about 21,900 characters
}

// The tables are built on first use; several threads starting at once must all see them whole.
TEST(GbkTables, FirstUseFromSeveralThreads) {
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results)
        threads.emplace_back([&r] { r = Utf8ToGbk("\xE5\xAE\x8C\xE6\x88\x90\xE2\x82\xAC"); });
    for (auto& t : threads)
        t.join();
    for (const auto& r : results)
        EXPECT_EQ(r, "\xCD\xEA\xB3\xC9\x80");
}

TEST(Utf8ToGbk, LargeMixedTextMatchesTheUtf16Path) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "ab\xE5\xAE\x8C"
                "cdefghijk\xE6\x88\x90\xF0\x9F\x98\x80\xFF";
    EXPECT_EQ(Utf8ToGbk(text), Utf16ToGbk(Utf8ToUtf16Units(text)));
    EXPECT_EQ(Utf8ToGbk(text).substr(0, 20), "ab\xCD\xEA"
                                             "cdefghijk\xB3\xC9???ab");
}

// A megabyte of random bytes: outputs stay within their bounds and every UTF-8 result is
// well-formed (decoding it again changes nothing).
TEST(CharsetHostile, RandomBytesGiveBoundedWellFormedResults) {
    std::mt19937 random(11);
    std::string bytes(1 << 20, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    const std::string gbk = Utf8ToGbk(bytes);
    EXPECT_LE(gbk.size(), bytes.size());
    EXPECT_LE(Utf8ToUtf16(bytes).size(), 2 * bytes.size());
    const std::string utf8 = GbkToUtf8(bytes);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16Units(utf8)), utf8);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16Units(GbkToUtf8(gbk))), GbkToUtf8(gbk));
}

} // namespace
} // namespace veldo
