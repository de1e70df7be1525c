// Loading one sound: the search button against the sample site, and the record's edge cases
// against hand-written records on a local server.
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "app/search_box.h"
#include "forms/ui_colors.h"
#include "platform/gui/control_ops.h"
#include "platform/net/url_fetch.h"
#include "sample_site/site_pages.h"
#include "site/sound_info.h"
#include "site_fixture.h"
#include "state/program_state.h"
#include "support/local_server.h"

namespace veldo {
namespace {

using testing::Gbk;

class SearchButton : public testing::SiteTest {
  protected:
    void Search(const std::string& boxText) {
        SetEditText(window->编辑框1, boxText);
        // click(), not two synthetic mouse clicks that Qt would take for a double-click.
        window->图形按钮1->click();
    }
};

TEST_F(SearchButton, LoadsTheSoundOfAPastedPageAddress) {
    Search(SoundPage(Listed(1).id));
    window->图形按钮play->click();
    const HSTREAM playing = currentStream;
    ASSERT_EQ(BASS_ChannelIsActive(playing), BASS_ACTIVE_PLAYING);

    const SampleSound& sound = Listed(0);
    window->外形框1->SetOutlineColor(kAccentColor);
    Search(SoundPage(sound.id));

    EXPECT_EQ(LastInfoRequest(), "/sound/info?sound_id=" + sound.id);
    EXPECT_EQ(enteredSoundId, sound.id);
    EXPECT_EQ(currentSound.name, Gbk(sound.name));
    EXPECT_EQ(currentSound.source, "http://" + site.PageHost() + Mp3Path(sound));
    EXPECT_EQ(currentSound.pic, "http://" + site.PageHost() + CoverPath(sound));
    EXPECT_NE(soundInfoText.find("\"name\":\"" + Gbk(sound.name) + "\""), std::string::npos);
    EXPECT_EQ(window->外形框1->OutlineColor(), kIdleOutlineColor);

    QApplication::processEvents();
    EXPECT_EQ(window->标签1->text().toStdString(), sound.name);
    EXPECT_EQ(window->标签1->toolTip().toStdString(), sound.name);
    EXPECT_TRUE(window->图片框1->HasPicture());
    EXPECT_EQ(window->图片框1->DisplayModeValue(), 1);
    // The search button stops the sound that played and loads the new one without playing it.
    EXPECT_EQ(BASS_ChannelIsActive(playing), BASS_ACTIVE_STOPPED);
    EXPECT_NE(BASS_ChannelIsActive(currentStream), BASS_ACTIVE_PLAYING);
}

TEST_F(SearchButton, ANewLoadReplacesNameTooltipAndCover) {
    Search(SoundPage(Listed(1).id));
    Search(SoundPage(Listed(2).id));
    QApplication::processEvents();
    EXPECT_EQ(currentSound.name, Gbk(Listed(2).name));
    EXPECT_EQ(window->标签1->text().toStdString(), Listed(2).name);
    EXPECT_EQ(window->标签1->toolTip().toStdString(), Listed(2).name);
}

TEST_F(SearchButton, TheHintRequestsThePlaceholderId) {
    Search(searchHint);
    EXPECT_EQ(LastInfoRequest(), "/sound/info?sound_id=xxxx");
    EXPECT_EQ(enteredSoundId, "xxxx");
    // The API answers an unknown id with an error record: nothing to show or play.
    EXPECT_EQ(currentSound.name, "");
    EXPECT_EQ(currentSound.source, "");
    QApplication::processEvents();
    EXPECT_EQ(window->标签1->text(), QString());
    EXPECT_FALSE(window->图片框1->HasPicture());
}

TEST_F(SearchButton, IdsAreCutAfterTheLastSoundPartAndSentUnchanged) {
    const std::string id = Listed(3).id;
    Search(SoundPage("123/sound/" + id));
    EXPECT_EQ(LastInfoRequest(), "/sound/info?sound_id=" + id);
    EXPECT_EQ(currentSound.name, Gbk(Listed(3).name));

    Search(SoundPage(id + "?from=share"));
    // Sent along as part of the id (the wire is checked in SoundRecordCases.TheIdIsSentUnchanged);
    // the API knows no such id.
    EXPECT_EQ(enteredSoundId, id + "?from=share");
    EXPECT_EQ(currentSound.source, "");

    Search("no address at all");
    EXPECT_EQ(LastInfoRequest(), "/sound/info?sound_id=");
    EXPECT_EQ(currentSound.source, "");
}

TEST_F(SearchButton, AnUnreachableCoverLeavesTheBoxEmptyButTheSoundUsable) {
    Search(SoundPage("9000004")); // its cover answers 404
    QApplication::processEvents();
    EXPECT_EQ(currentSound.name, Gbk("No Cover 无封面"));
    EXPECT_FALSE(currentSound.source.empty());
    EXPECT_FALSE(window->图片框1->HasPicture());
    EXPECT_EQ(window->标签1->text().toStdString(), "No Cover 无封面");
}

// Records written by hand, served as the sound-info host.
class SoundRecordCases : public testing::SiteTest {
  protected:
    void SetUp() override {
        testing::SiteTest::SetUp();
        api.server().Get(
            "/sound/info", [this](const httplib::Request& req, httplib::Response& res) {
                res.set_content(records[req.get_param_value("sound_id")], "application/json");
            });
        api.Start();
        SetSiteHostsForTesting(site.PageHost(), api.HostAndPort());
    }
    std::string CoverUrl() const {
        return "http:\\/\\/" + site.PageHost() + "\\/covers\\/" + Listed(0).id + ".png";
    }
    testing::LocalServer api;
    std::map<std::string, std::string> records;
};

TEST_F(SoundRecordCases, FieldEdgeCases) {
    records["last"] = R"({"id":1,"source":"http:\/\/a\/1.mp3","pic":"x","name":"Tail"})";
    records["number"] = R"({"id":1,"source":"http:\/\/a\/1.mp3","name":"N","pic":"p","x":"y"})";
    records["nested"] =
        R"({"user":{"name":"Uploader","id":2},"id":1,"name":"Song","source":"s","pic":"p","z":""})";
    records["escaped"] =
        R"({"a":"b","source":"http:\/\/h\/\u6674.mp3","name":"\u6674\u5929","q":""})";

    LoadSoundInfo("last");
    EXPECT_EQ(currentSound.name, ""); // followed by "} rather than ","
    EXPECT_EQ(currentSound.pic, "x");
    QApplication::processEvents();
    EXPECT_EQ(window->标签1->text(), QString());

    LoadSoundInfo("number");
    EXPECT_EQ(currentSound.source, ""); // follows a number, not a string
    EXPECT_EQ(currentSound.name, "N");

    LoadSoundInfo("nested");
    EXPECT_EQ(currentSound.name, "Uploader"); // the first "name" anywhere wins

    LoadSoundInfo("escaped");
    EXPECT_EQ(currentSound.source, Gbk("http://h/晴.mp3"));
    EXPECT_EQ(currentSound.name, Gbk("晴天"));
}

TEST_F(SoundRecordCases, TheIdIsSentUnchanged) {
    LoadSoundInfo("42?from=share");
    ASSERT_FALSE(api.Requests().empty());
    EXPECT_EQ(api.Requests().back().target, "/sound/info?sound_id=42?from=share");
}

TEST_F(SoundRecordCases, OnlyHttpCoversAreFetchedAndShownScaled) {
    records["good"] = R"({"pic":")" + CoverUrl() + R"(","source":"s","name":"n","x":""})";
    LoadSoundInfo("good");
    QApplication::processEvents();
    EXPECT_TRUE(window->图片框1->HasPicture());
    EXPECT_EQ(window->图片框1->DisplayModeValue(), 1);

    // A picture that exists on this disk, offered as a file: address, is never read.
    const auto local = runDirectory.path() / "cover.png";
    const std::string png = FetchUrlBytes("http://" + site.PageHost() + CoverPath(Listed(0)));
    ASSERT_FALSE(png.empty());
    std::ofstream(local, std::ios::binary) << png;
    records["local"] =
        R"({"pic":"file:\/\/)" + local.string() + R"(","source":"s","name":"n","x":""})";
    LoadSoundInfo("local");
    QApplication::processEvents();
    EXPECT_EQ(currentSound.pic, "file://" + local.string());
    EXPECT_FALSE(window->图片框1->HasPicture());
}

TEST_F(SoundRecordCases, WaitsATenthOfASecondAndLeavesEmptyFieldsOnFailure) {
    records["x"] = R"({"pic":"p","source":"s","name":"n","x":""})";
    LoadSoundInfo("x");
    EXPECT_EQ(currentSound.source, "s");
    QElapsedTimer clock;
    clock.start();
    api.server().stop(); // no answer at all now
    LoadSoundInfo("x");
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_EQ(soundInfoText, "");
    EXPECT_EQ(currentSound.source, "");
    EXPECT_EQ(currentSound.pic, "");
    EXPECT_EQ(currentSound.name, "");
}

} // namespace
} // namespace veldo
