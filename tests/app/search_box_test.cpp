// The search box: hint at start, green frame and no hint after a press, the hint removed only
// when the content is exactly the hint.
#include <QTest>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/search_box.h"
#include "forms/ui_colors.h"
#include "platform/gui/control_ops.h"

namespace veldo {
namespace {

class SearchBox : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void PressInBox() { QTest::mouseClick(window.编辑框1, Qt::LeftButton, {}, QPoint(40, 15)); }
    Text Content() { return GetEditText(window.编辑框1); }
    MainWindow window;
};

TEST_F(SearchBox, StartsWithTheHintAndAGreyFrame) {
    EXPECT_EQ(Content(), searchHint);
    EXPECT_EQ(searchHint.rfind("http://", 0), 0u);
    EXPECT_EQ(searchHint.substr(searchHint.size() - 11), "/sound/xxxx");
    EXPECT_EQ(window.外形框1->OutlineColor(), kIdleOutlineColor);
}

TEST_F(SearchBox, FirstPressClearsTheHintAndTurnsTheFrameGreen) {
    PressInBox();
    EXPECT_EQ(Content(), "");
    EXPECT_EQ(window.外形框1->OutlineColor(), kAccentColor);
}

TEST_F(SearchBox, LaterPressesKeepWhatTheUserTyped) {
    PressInBox();
    QTest::keyClicks(window.编辑框1, "http://h/sound/42");
    PressInBox();
    EXPECT_EQ(Content(), "http://h/sound/42");
    EXPECT_EQ(window.外形框1->OutlineColor(), kAccentColor);
}

TEST_F(SearchBox, HintNeverReturnsOnceRemoved) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    PressInBox();
    ASSERT_TRUE(window.编辑框1->hasFocus());
    // Focus leaving and coming back changes neither the content nor the frame.
    window.标签1->setFocus(Qt::TabFocusReason);
    ASSERT_FALSE(window.编辑框1->hasFocus());
    EXPECT_EQ(Content(), "");
    EXPECT_EQ(window.外形框1->OutlineColor(), kAccentColor);
    window.编辑框1->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(window.编辑框1->hasFocus());
    EXPECT_EQ(Content(), "");
    // The play button greys the frame (as pause and search do); the hint stays away.
    window.图形按钮play->click();
    EXPECT_EQ(Content(), "");
    EXPECT_EQ(window.外形框1->OutlineColor(), kIdleOutlineColor);
}

TEST_F(SearchBox, ContentThatDiffersInAnyByteStays) {
    Text upper = searchHint;
    upper.replace(upper.size() - 4, 4, "XXXX");
    const Text variants[] = {
        upper,                                       // letter case only
        searchHint + " ",                            // a trailing space
        " " + searchHint,                            // a leading space
        searchHint.substr(0, searchHint.size() - 1), // one byte short
        "\xC1\xD0\xB1\xED" + searchHint,             // GBK text in front
    };
    for (const Text& content : variants) {
        SCOPED_TRACE(content);
        SetEditText(window.编辑框1, content);
        PressInBox();
        EXPECT_EQ(Content(), content);
        EXPECT_EQ(window.外形框1->OutlineColor(), kAccentColor);
    }
}

} // namespace
} // namespace veldo
