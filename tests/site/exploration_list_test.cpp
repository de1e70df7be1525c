// The list window against the sample site: page 1 in page order, a double-click that loads,
// addresses and plays the chosen sound, the arrow buttons, and empty or failed pages.
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

#include "platform/gui/control_ops.h"
#include "player/playback_control.h"
#include "sample_site/site_pages.h"
#include "site/exploration_list.h"
#include "site_fixture.h"
#include "state/program_state.h"
#include "support/local_server.h"

namespace veldo {
namespace {

using testing::EventsUntil;
using testing::Gbk;

// What the list shows for a name: the page writes it HTML-escaped (">" kept), and only the
// part after the entry's last ">" is shown.
std::string ShownName(const std::string& name) {
    const std::string html = HtmlText(name, true);
    const auto last = html.rfind('>');
    return last == std::string::npos ? html : html.substr(last + 1);
}

class ExplorationList : public testing::SiteTest {
  protected:
    void Open() {
        OpenListWindow();
        ASSERT_NE(listWindow, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(listWindow));
    }
    QListWidget* List() { return listWindow->列表框1; }
    std::string Item(int row) { return List()->item(row)->text().toStdString(); }
    void DoubleClick(int row) {
        const QRect rect = List()->visualItemRect(List()->item(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

TEST_F(ExplorationList, OpensAtTheLeftEdgeWithPage1InPageOrder) {
    Open();
    ASSERT_NE(listWindow, nullptr);
    EXPECT_EQ(GetLeft(listWindow), 0);
    const auto requests = site.PageRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), "/sound/exploration?page=1&per-page=15");

    ASSERT_EQ(List()->count(), 15);
    ASSERT_EQ(explorationEntries.size(), 15u);
    for (int k = 0; k < 15; ++k) {
        EXPECT_EQ(Item(k), ShownName(Listed(k).name)) << k;
        EXPECT_EQ(explorationEntries[k].rfind(Listed(k).id + "\"", 0), 0u) << k;
    }
    // A name with ">" shows its last part; a character reference is shown as written.
    EXPECT_EQ(Item(4), " Right");
    EXPECT_EQ(Item(3), "Rock &amp; Roll 练习曲");
    EXPECT_FALSE(explorationPageText.empty());
}

TEST_F(ExplorationList, DoubleClickLoadsAddressesAndPlaysTheChosenSound) {
    Open();
    ASSERT_EQ(List()->count(), 15);
    DoubleClick(6); // its anchor carries a further attribute
    EXPECT_EQ(currentSound.name, Gbk(Listed(6).name));
    EXPECT_EQ(LastInfoRequest(), "/sound/info?sound_id=" + Listed(6).id);
    EXPECT_EQ(GetEditText(window->编辑框1), SoundPage(Listed(6).id));
    QApplication::processEvents();
    EXPECT_EQ(window->标签1->text().toStdString(), Listed(6).name);
    EXPECT_TRUE(window->图片框1->HasPicture());

    EXPECT_EQ(BASS_ChannelIsActive(currentStream), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(EventsUntil([this] { return SpeakerIsAudible(); }));
}

TEST_F(ExplorationList, ASecondDoubleClickRestartsTheSound) {
    Open();
    ASSERT_EQ(List()->count(), 15);
    DoubleClick(1);
    const HSTREAM first = currentStream;
    ASSERT_TRUE(EventsUntil([] {
        return BASS_ChannelBytes2Seconds(
                   currentStream, BASS_ChannelGetPosition(currentStream, BASS_POS_BYTE)) > 1.0;
    }));
    DoubleClick(1);
    EXPECT_NE(BASS_ChannelIsActive(first), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_ChannelIsActive(currentStream), BASS_ACTIVE_PLAYING);
    EXPECT_LT(BASS_ChannelBytes2Seconds(currentStream,
                                        BASS_ChannelGetPosition(currentStream, BASS_POS_BYTE)),
              0.9);
    EXPECT_EQ(currentSound.name, Gbk(Listed(1).name));
}

TEST_F(ExplorationList, ArrowButtonsOnlySayNotYetAdded) {
    Open();
    const auto pagesBefore = site.PageRequests().size();
    QTest::mouseClick(listWindow->图形按钮2, Qt::LeftButton);
    QTest::mouseClick(listWindow->图形按钮1, Qt::LeftButton);
    // Both boxes are up together: neither holds the windows back.
    EXPECT_TRUE(EventsUntil([this] { return messages.size() == 2; }));
    EXPECT_EQ(messages, (std::vector<std::string>{"暂未添加此功能", "暂未添加此功能"}));
    EXPECT_EQ(site.PageRequests().size(), pagesBefore);
    EXPECT_EQ(List()->count(), 15);
}

TEST_F(ExplorationList, EmptyOrFailedPagesLeaveTheListEmpty) {
    Open();
    ASSERT_EQ(List()->count(), 15);
    LoadExplorationPage("99"); // past the last page: no entries
    EXPECT_EQ(List()->count(), 0);
    EXPECT_TRUE(explorationEntries.empty());

    LoadExplorationPage("1&status=500");
    EXPECT_EQ(List()->count(), 0);

    SetSiteHostsForTesting("127.0.0.1:1", site.InfoHost()); // nothing listens there
    LoadExplorationPage("1");
    EXPECT_EQ(List()->count(), 0);
    EXPECT_TRUE(explorationEntries.empty());
    EXPECT_EQ(explorationPageText, "");

    // With nothing listed a double-click finds nothing to load.
    const auto infoBefore = site.InfoRequests().size();
    OnListEntryChosen();
    EXPECT_EQ(site.InfoRequests().size(), infoBefore);
}

TEST_F(ExplorationList, MarkersMatchInAnyLetterCaseAndOddEntriesStaySafe) {
    testing::LocalServer pages;
    pages.server().Get("/sound/exploration", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "<html><body>"
            " <H3 CLASS=\"voice-name\"><A HREF=\"/sound/11\">Upper</A></H3>"
            " <h3 class=\"voice-name\"><a href=\"/sound/22>no quote</a></h3>"
            " <h3 class=\"voice-name\"><a href=\"/sound/33\" title=\"t\">a<b>c</a></h3>"
            " <h3 class=\"voice-name\"><a href=\"/sound/44\r\nX-Evil: 1\">Break</a></h3>"
            "</body></html>",
            "text/html; charset=utf-8");
    });
    pages.Start();
    SetSiteHostsForTesting(pages.HostAndPort(), site.InfoHost());
    Open();
    ASSERT_EQ(List()->count(), 4);
    EXPECT_EQ(Item(0), "Upper");
    EXPECT_EQ(Item(1), "no quote");
    EXPECT_EQ(Item(2), "c");
    EXPECT_EQ(Item(3), "Break");

    List()->setCurrentRow(1); // no double quote: the empty id is requested
    OnListEntryChosen();
    EXPECT_EQ(LastInfoRequest(), "/sound/info?sound_id=");
    EXPECT_EQ(GetEditText(window->编辑框1), "http://" + pages.HostAndPort() + "/sound/");

    // An id holding a line break asks for nothing: its address would carry it into a header
    // line of its own.
    testing::LocalServer api;
    std::atomic<int> asked{0}; // counted before the answer leaves
    api.server().Get("/sound/info", [&](const httplib::Request&, httplib::Response& res) {
        ++asked;
        res.set_content("{}", "application/json");
    });
    api.Start();
    SetSiteHostsForTesting(pages.HostAndPort(), api.HostAndPort());
    List()->setCurrentRow(3);
    OnListEntryChosen();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(currentSound.source, "");
}

} // namespace
} // namespace veldo
