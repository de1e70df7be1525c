// Message boxes have no owner: while "暂未添加此功能", "完成" and "下载失败" are up, all three at
// once, the windows take the user's clicks. The clicks go through the window system, where a
// modal box would hold them back: the list opens, the search button loads, play plays, pause
// pauses, a double-click on the list plays its sound.
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include "sample_site/site_pages.h"
#include "site_fixture.h"
#include "state/program_state.h"

namespace veldo {
namespace {

using testing::EventsUntil;
using testing::Gbk;
using testing::OpenMessageBoxes;

// A click at the centre of `control` as the window system delivers it.
void UserClick(QWidget* control) {
    const QPoint at = control->mapTo(control->window(), control->rect().center());
    QTest::mouseClick(control->window()->windowHandle(), Qt::LeftButton, {}, at);
}

class OwnerlessMessageBoxes : public testing::SiteTest {
  protected:
    void SetUp() override {
        SiteTest::SetUp();
        answerBoxes = false;
        // Boxes that would hold the test up for good are closed after 20 s, so that it fails
        // instead.
        QObject::connect(&safety, &QTimer::timeout, [] {
            for (QMessageBox* box : OpenMessageBoxes()) {
                const int ticks = box->property("safetyTicks").toInt() + 1;
                box->setProperty("safetyTicks", ticks);
                if (ticks > 20) box->done(QMessageBox::Ok);
            }
        });
        safety.start(1000);
    }
    void Download(const std::string& source) {
        ASSERT_TRUE(EventsUntil([this] { return window->图形按钮down->isVisibleTo(window); }));
        currentSound = {source, "", Gbk("下载")};
        const auto before = messages.size();
        UserClick(window->图形按钮down);
        ASSERT_TRUE(EventsUntil([&] { return messages.size() > before; }, 30000));
    }
    QTimer safety;
};

TEST_F(OwnerlessMessageBoxes, WhileThreeAreUpTheWindowsTakeClicks) {
    UserClick(window->图形按钮list);
    ASSERT_TRUE(EventsUntil([] { return listWindow && listWindow->列表框1->count() == 15; }));
    UserClick(listWindow->图形按钮1); // 暂未添加此功能
    ASSERT_TRUE(EventsUntil([this] { return messages.size() == 1; }));
    const std::string mp3 = "http://" + site.PageHost() + Mp3Path(Listed(0));
    Download(mp3);                 // 完成
    Download(mp3 + "?status=503"); // 下载失败
    ASSERT_EQ(messages, (std::vector<std::string>{"暂未添加此功能", "完成", "下载失败"}));
    ASSERT_EQ(OpenMessageBoxes().size(), 3u);

    window->编辑框1->setText(QString::fromStdString(SoundPage(Listed(2).id)));
    UserClick(window->图形按钮1);
    EXPECT_EQ(currentSound.name, Gbk(Listed(2).name));

    UserClick(window->图形按钮play);
    EXPECT_TRUE(window->图形按钮stop->isVisibleTo(window));
    EXPECT_TRUE(EventsUntil([this] { return SpeakerIsAudible(); }));

    UserClick(window->图形按钮stop);
    EXPECT_TRUE(window->图形按钮play->isVisibleTo(window));
    const HSTREAM paused = currentStream;
    EXPECT_EQ(BASS_ChannelIsActive(paused), BASS_ACTIVE_PAUSED);

    QListWidget* list = listWindow->列表框1;
    const QRect row = list->visualItemRect(list->item(1));
    const QPoint at = list->viewport()->mapTo(listWindow, row.center());
    QTest::mouseClick(listWindow->windowHandle(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(listWindow->windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(currentSound.name, Gbk(Listed(1).name));
    EXPECT_EQ(BASS_ChannelIsActive(currentStream), BASS_ACTIVE_PLAYING);
    // The player was reset first: the paused sound was stopped, not resumed in place of it.
    EXPECT_NE(currentStream, paused);
    EXPECT_EQ(BASS_ChannelIsActive(paused), BASS_ACTIVE_STOPPED);

    EXPECT_EQ(OpenMessageBoxes().size(), 3u); // all still up
}

} // namespace
} // namespace veldo
