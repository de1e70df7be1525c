// File names made from sound names: refused characters become "_", everything else stays, and
// nothing can lead out of the folder.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "site/file_name.h"

namespace veldo {
namespace {

struct NameCase {
    const char* name;
    const char* expected;
};

// Names the case in test listings by its input rather than by its bytes.
void PrintTo(const NameCase& c, std::ostream* out) {
    *out << '"' << c.name << '"';
}

class CleanFileNameCases : public ::testing::TestWithParam<NameCase> {};

TEST_P(CleanFileNameCases, ReplacesOnlyRefusedCharacters) {
    EXPECT_EQ(CleanFileName(GetParam().name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CleanFileNameCases,
    ::testing::Values(NameCase{"Morning Coffee", "Morning Coffee"},
                      NameCase{"晚风与旧街灯", "晚风与旧街灯"},
                      NameCase{"Velvet Night 夜曲 (live) [1]", "Velvet Night 夜曲 (live) [1]"},
                      NameCase{"", ""}, NameCase{"a/b", "a_b"}, NameCase{"a\\b", "a_b"},
                      NameCase{"../../etc/passwd", ".._.._etc_passwd"}, NameCase{"..", ".."},
                      NameCase{"C:\\x", "C__x"}, NameCase{"what?*", "what__"},
                      NameCase{"\"quoted\"", "_quoted_"}, NameCase{"<a|b>", "_a_b_"},
                      NameCase{"tab\there", "tab_here"}, NameCase{"line\nbreak\r", "line_break_"},
                      NameCase{"del\x7f", "del_"},
                      NameCase{"Rock & Roll 练习曲", "Rock & Roll 练习曲"},
                      NameCase{"雨后/青石板", "雨后_青石板"}, NameCase{"100% 'ok'", "100% 'ok'"}));

// Names too long for the file system are cut at a character boundary, so that with ".mp3" they
// take at most 255 bytes.
TEST(Mp3FileName, ShortensLongNamesAtACharacterBoundary) {
    const auto repeat = [](const std::string& piece, std::size_t times) {
        std::string text;
        while (times-- > 0)
            text += piece;
        return text;
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Morning Coffee", "Morning Coffee.mp3"},
        {repeat("a", 251), repeat("a", 251) + ".mp3"},
        {repeat("a", 252), repeat("a", 251) + ".mp3"},
        {repeat("长", 90), repeat("长", 83) + ".mp3"}, // 270 bytes, cut inside a character
        {"ab" + repeat("长", 90), "ab" + repeat("长", 83) + ".mp3"},
        {repeat("\xf0\x9f\x8e\xb5", 70), repeat("\xf0\x9f\x8e\xb5", 62) + ".mp3"},
        {repeat("a/", 200), repeat("a_", 125) + "a.mp3"},
        {repeat("\x80", 300), repeat("\x80", 251) + ".mp3"}}; // no UTF-8: cut at the limit
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(Mp3FileName(name), expected) << name.size() << " bytes";
}

TEST(CleanFileName, KeepsEveryMultiByteCharacterWhole) {
    // Every byte of a UTF-8 multi-byte character is 0x80 or above: none may be touched.
    const std::string all = "\xc3\xa9\xe4\xb8\xad\xe6\x96\x87\xf0\x9f\x8e\xb5";
    EXPECT_EQ(CleanFileName(all), all);
}

TEST(CleanFileName, ResultNeverHoldsASeparatorOrControl) {
    std::string every;
    for (int c = 1; c < 256; ++c)
        every.push_back(static_cast<char>(c));
    const std::string cleaned = CleanFileName(every);
    ASSERT_EQ(cleaned.size(), every.size());
    for (unsigned char c : cleaned) {
        EXPECT_NE(c, '/');
        EXPECT_NE(c, '\\');
        EXPECT_GE(c, 0x20);
    }
}

} // namespace
} // namespace veldo
