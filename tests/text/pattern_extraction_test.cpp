#include "text/pattern_extraction.h"

#include <gtest/gtest.h>

#include <string>

namespace veldo {
namespace {

const std::string kLeft = " <h3 class=\"voice-name\"><a href=\"/sound/";
const std::string kRight = "</a></h3>";

struct EscapeCase {
    std::string marker;
    std::string expected;
};

TEST(EscapeMarker, EscapesOnlyTheListedCharacters) {
    const EscapeCase cases[] = {
        {"?*+[](){}", "\\?\\*\\+\\[\\]\\(\\)\\{\\}"},
        {kLeft, kLeft},
        {kRight, kRight},
        {".|^$\\", ".|^$\\"},
        {std::string(kQuoteToken) + "id" + kQuoteToken + ":", "\"id\":"},
        {"a\r\nb\rc\nd", "a\\nb\rc\nd"},
        // 乕 亄 亇 end in the bytes "[", "{", "}": a double-byte character is never split.
        {"\x81[\x81{\x81}", "\x81[\x81{\x81}"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscapeMarker(c.marker), c.expected) << c.marker;
}

class AllTextsBetweenTest : public ::testing::Test {
  protected:
    TextList list{"left over", "from before"};
};

TEST_F(AllTextsBetweenTest, ListsEveryPieceInOrder) {
    EXPECT_EQ(AllTextsBetween("[a] [bb] [] [c", "[", "]", list), 3);
    EXPECT_EQ(list, (TextList{"a", "bb", ""}));
}

TEST_F(AllTextsBetweenTest, EmptiesTheListWhenNothingMatches) {
    EXPECT_EQ(AllTextsBetween("no markers here", "<", ">", list), 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(AllTextsBetweenTest, FirstRightMarkerEndsTheNearestPiece) {
    EXPECT_EQ(AllTextsBetween("LaLbR", "L", "R", list), 1);
    EXPECT_EQ(list, TextList{"aLb"});
}

TEST_F(AllTextsBetweenTest, MarkersKeepTheirPatternMeaningsAsWritten) {
    AllTextsBetween("a.b1! axb2! a\nb3!", "a.b", "!", list);
    EXPECT_EQ(list, (TextList{"1", "2"}));
    AllTextsBetween("x\r\ny1; x\ny2;", "x\r\n", ";", list);
    EXPECT_EQ(list, TextList{"y2"});
    AllTextsBetween("{{a}} {b}", "{", "}", list);
    EXPECT_EQ(list, (TextList{"{a", "b"}));
    AllTextsBetween("\x81[1\x81] \x81{2\x81}", "\x81{", "\x81}", list);
    EXPECT_EQ(list, TextList{"2"});
    AllTextsBetween("<a href=\"/x\">t</a>", std::string("href=") + kQuoteToken, kQuoteToken, list);
    EXPECT_EQ(list, TextList{"/x"});
}

TEST_F(AllTextsBetweenTest, MaxLengthDropsLongerPieces) {
    EXPECT_EQ(AllTextsBetween("<abcde><abcdef><>", "<", ">", list, 5), 2);
    EXPECT_EQ(list, (TextList{"abcde", ""}));
    EXPECT_EQ(AllTextsBetween("<abcde><abcdef><>", "<", ">", list, -1), 0);
    EXPECT_EQ(AllTextsBetween("<\xD6\xD0\xCE\xC4>", "<", ">", list, 3), 0); // lengths in bytes
}

TEST_F(AllTextsBetweenTest, WrapsPiecesInTextsAndMarkers) {
    AllTextsBetween("<x>", "<", ">", list, 0, "P", "S");
    EXPECT_EQ(list, TextList{"PxS"});
    AllTextsBetween("<x>", "<", ">", list, 0, "P", "S", true, false);
    EXPECT_EQ(list, TextList{"<PxS"});
    AllTextsBetween("<x>", "<", ">", list, 0, "", "", false, true);
    EXPECT_EQ(list, TextList{"x>"});
    // With a length limit both markers are added too; the limit counts the bare piece.
    AllTextsBetween("[x] [yy]", "[", "]", list, 1, "P", "S", true, true);
    EXPECT_EQ(list, TextList{"[PxS]"});
}

struct Entry {
    std::string html; // one entry of the page, from its left marker on
    std::string piece;
};

TEST_F(AllTextsBetweenTest, ReadsAListingPageOfFifteenEntries) {
    const std::string chinese = "\xD6\xD0\xCE\xC4"; // 中文
    std::vector<Entry> entries = {
        {kLeft + "1001\">Morning</a></h3>", "1001\">Morning"},
        {kLeft + "1002\" target=\"_blank\" data-id=\"2\">Extra attributes</a></h3>",
         "1002\" target=\"_blank\" data-id=\"2\">Extra attributes"},
        {kLeft + "1003\">a > b</a></h3>", "1003\">a > b"},
        {kLeft + "1004\">Tom &amp; Jerry &#39;live&#39;</a></h3>",
         "1004\">Tom &amp; Jerry &#39;live&#39;"},
        {" <H3 CLASS=\"voice-name\"><A HREF=\"/sound/1005\">Capitals</A></H3>", "1005\">Capitals"},
        {kLeft + "1006\">" + chinese + "</a></h3>", "1006\">" + chinese},
        {kLeft + "1007\">two\nlines</a></h3>", "1007\">two\nlines"},
    };
    for (int id = 1008; id <= 1015; ++id)
        entries.push_back(
            {kLeft + std::to_string(id) + "\">Sound " + std::to_string(id) + "</a></h3>",
             std::to_string(id) + "\">Sound " + std::to_string(id)});
    std::string page = "<html><body><h3 class=\"title\"><a href=\"/sound/\">Not one</a></h3>\n";
    for (const auto& e : entries)
        page += "<div class=\"item\">\n" + e.html + "\n <p>by someone</p></div>\n";
    page += "</body></html>";

    ASSERT_EQ(AllTextsBetween(page, kLeft, kRight, list), 15);
    for (size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(list[i], entries[i].piece) << i;
}

TEST_F(AllTextsBetweenTest, ReadsAPageOfTwentyThousandEntries) {
    std::string page;
    for (int id = 0; id < 20000; ++id)
        page += "<li>" + kLeft + std::to_string(id) + "\" title=\"t\">\xC9\xF9 " +
                std::to_string(id) + kRight + "</li>\n";
    ASSERT_EQ(AllTextsBetween(page, kLeft, kRight, list), 20000);
    for (int id : {0, 1, 9999, 19999})
        EXPECT_EQ(list[id], std::to_string(id) + "\" title=\"t\">\xC9\xF9 " + std::to_string(id));
}

} // namespace
} // namespace veldo
