// The texts of the sample site read the way the player reads them: the listing through its two
// markers, the record through its three field markers after escape decoding.
#include "sample_site/catalogue.h"
#include "sample_site/site_pages.h"
#include "site_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace veldo {
namespace {

using testing::AllBetween;
using testing::Between;
using testing::DecodeJsonEscapes;

const std::string kLeftMarker = " <h3 class=\"voice-name\"><a href=\"/sound/";
const std::string kRightMarker = "</a></h3>";

std::string NameShown(const std::string& entry) {
    return entry.substr(entry.rfind('>') + 1);
}
std::string IdOf(const std::string& entry) {
    return entry.substr(0, entry.find('"'));
}

TEST(JsonStringTest, EscapesAsAWebApiWritesThem) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", R"("")"},
        {"abc", R"("abc")"},
        {"http://a/b", R"("http:\/\/a\/b")"},
        {"say \"hi\"\\", R"("say \"hi\"\\")"},
        {"a\nb\tc\x01", R"("a\nb\tc\u0001")"},
        {"晚风", R"("\u665a\u98ce")"},
        {"\xF0\x9F\x8E\xB5", R"("\ud83c\udfb5")"}, // U+1F3B5, a surrogate pair
        {"x\xFFy", R"("x\ufffdy")"},               // invalid byte
        {"\xE6\x99", R"("\ufffd\ufffd")"},         // cut-off sequence
        {"\xC0\xAF", R"("\ufffd\ufffd")"},         // overlong "/"
        {"Rock & Roll > x", R"("Rock & Roll > x")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonString(c.in), c.out) << c.in;
        const std::string encoded = JsonString(c.in);
        for (char ch : encoded)
            EXPECT_LT(static_cast<unsigned char>(ch), 0x80) << c.in;
    }
    EXPECT_EQ(DecodeJsonEscapes(JsonString("晚风 / \"x\"\n🎵")), "\"晚风 / \"x\"\n🎵\"");
}

TEST(HtmlTextTest, EscapesMarkupButCanKeepGreaterThan) {
    EXPECT_EQ(HtmlText("a & b < c > \"d\""), "a &amp; b &lt; c &gt; &quot;d&quot;");
    EXPECT_EQ(HtmlText("Left > Right", true), "Left > Right");
    EXPECT_EQ(HtmlText("城南小巷"), "城南小巷");
}

TEST(CatalogueTest, HasFortyFiveDistinctListedSoundsOfTwentyToNinetySeconds) {
    const auto& sounds = ListedSounds();
    ASSERT_EQ(sounds.size(), 45u);
    std::set<std::string> ids, names;
    for (const auto& s : sounds) {
        ids.insert(s.id);
        names.insert(s.name);
        EXPECT_GE(s.durationSeconds, 20) << s.id;
        EXPECT_LE(s.durationSeconds, 90) << s.id;
        EXPECT_EQ(s.fault, SoundFault::None);
        EXPECT_EQ(s.name.find('"'), std::string::npos) << "a quote would end the record's field";
        EXPECT_EQ(FindSound(s.id), &s);
    }
    EXPECT_EQ(ids.size(), 45u);
    EXPECT_EQ(names.size(), 45u);
    for (const auto& s : FaultySounds())
        EXPECT_EQ(ids.count(s.id), 0u);
    EXPECT_EQ(FindSound("xxxx"), nullptr);
    EXPECT_EQ(FindSound(""), nullptr);
}

class ExplorationPageTest : public ::testing::Test {
  protected:
    std::vector<std::string> Entries(int page, int perPage = 15) {
        return AllBetween(ExplorationPage(ListedSounds(), page, perPage), kLeftMarker,
                          kRightMarker);
    }
};

TEST_F(ExplorationPageTest, ThreePagesListEverySoundInOrderThroughTheMarkers) {
    const auto& sounds = ListedSounds();
    for (int page = 1; page <= 3; ++page) {
        const auto entries = Entries(page);
        ASSERT_EQ(entries.size(), 15u) << "page " << page;
        for (size_t k = 0; k < entries.size(); ++k) {
            const SampleSound& s = sounds[(page - 1) * 15 + k];
            EXPECT_EQ(IdOf(entries[k]), s.id);
            // The player shows what follows the entry's last ">": the name as the page has it.
            const size_t gt = s.name.rfind('>');
            const std::string tail = gt == std::string::npos ? s.name : s.name.substr(gt + 1);
            EXPECT_EQ(NameShown(entries[k]), HtmlText(tail, true));
        }
    }
    EXPECT_TRUE(Entries(4).empty());
    EXPECT_TRUE(Entries(1000000).empty());
    EXPECT_EQ(Entries(1, 50).size(), 45u);
    EXPECT_EQ(Entries(2, 20).size(), 20u);
}

TEST_F(ExplorationPageTest, HoldsTheEdgeCasesOfTheListing) {
    const auto entries = Entries(1);
    bool reference = false, greaterThan = false, extraAttribute = false, chinese = false,
         latin = false;
    for (const auto& e : entries) {
        const std::string shown = NameShown(e);
        reference |= shown.find("&amp;") != std::string::npos;
        greaterThan |= e.find("Left >") != std::string::npos && shown == " Right";
        extraAttribute |= e.find("\" title=\"") == IdOf(e).size();
        chinese |= static_cast<unsigned char>(shown[0]) >= 0xE4;
        latin |= std::isalpha(static_cast<unsigned char>(shown[0])) != 0;
    }
    EXPECT_TRUE(reference);
    EXPECT_TRUE(greaterThan);
    EXPECT_TRUE(extraAttribute);
    EXPECT_TRUE(chinese);
    EXPECT_TRUE(latin);
}

TEST_F(ExplorationPageTest, DeclaresUtf8NearTheTopAndLooksLikeAPage) {
    const std::string html = ExplorationPage(ListedSounds(), 1, 15);
    EXPECT_LT(html.find("<meta charset=\"utf-8\">"), 200u);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("</html>"), std::string::npos);
    EXPECT_NE(html.find("<img src=\"/covers/"), std::string::npos);
    // The left marker occurs at the entries only, not at the page's other links.
    size_t markers = 0;
    for (size_t at = html.find(kLeftMarker); at != std::string::npos;
         at = html.find(kLeftMarker, at + 1))
        ++markers;
    EXPECT_EQ(markers, 15u);
}

TEST(SoundRecordTest, FieldMarkersFindTheSoundsOwnFieldsAfterDecoding) {
    for (const auto* list : {&ListedSounds(), &FaultySounds()}) {
        for (const SampleSound& s : *list) {
            const std::string json = SoundInfoJson(s, "127.0.0.1:17380");
            for (char ch : json)
                ASSERT_LT(static_cast<unsigned char>(ch), 0x80) << s.id;
            EXPECT_NE(json.find(R"("pic":"http:\/\/127.0.0.1:17380\/covers\/)"), std::string::npos);
            EXPECT_EQ(json.find('%'), std::string::npos) << "the player's decoder unescapes %XX";
            const std::string text = DecodeJsonEscapes(json);
            EXPECT_EQ(Between(text, R"("pic":")", R"(",")"),
                      "http://127.0.0.1:17380/covers/" + s.id + ".png");
            EXPECT_EQ(Between(text, R"(","source":")", R"(",")"),
                      "http://127.0.0.1:17380/media/" + s.id + ".mp3");
            EXPECT_EQ(Between(text, R"("name":")", R"(",")"), s.name);
            // The uploader's "name" exists, but after the sound's.
            EXPECT_GT(text.find("\"name\":\"" + s.uploader), text.find("\"name\":\"" + s.name));
            EXPECT_NE(text.find("\"duration\":" + std::to_string(s.durationSeconds * 1000)),
                      std::string::npos);
        }
    }
}

TEST(SoundRecordTest, ErrorRecordIsJsonWithTheStatus) {
    EXPECT_EQ(ErrorRecord(404, "sound not found"),
              R"({"success":false,"code":404,"info":"sound not found"})");
}

TEST(SoundPageTest, NamesTheSoundAndLinksItsFiles) {
    const SampleSound& s = ListedSounds()[3]; // "Rock & Roll ..."
    const std::string html = SoundPage(s, "127.0.0.1:5");
    EXPECT_NE(html.find("Rock &amp; Roll"), std::string::npos);
    EXPECT_NE(html.find("http://127.0.0.1:5/media/" + s.id + ".mp3"), std::string::npos);
    EXPECT_NE(html.find("http://127.0.0.1:5/covers/" + s.id + ".png"), std::string::npos);
}

} // namespace
} // namespace veldo
