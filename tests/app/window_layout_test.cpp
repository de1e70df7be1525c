// Both windows against their layout tables: geometry, visibility, captions, fonts, colours,
// cursors, tooltips, and clipping of the controls that lie outside a window.
#include <QFontInfo>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/list_window.h"
#include "app/main_window.h"
#include "app/search_box.h"
#include "app/start_up.h"
#include "forms/ui_colors.h"
#include "platform/gui/window_services.h"
#include "state/program_state.h"
#include "support_gui/events_until.h"

namespace veldo {
namespace {

struct ControlRow {
    const char* name;
    QRect geometry;
    bool shown;
    const char* caption; // nullptr: the control has no caption to check
    int fontHeight;      // 0: not checked
};

void ExpectRow(QWidget* window, const ControlRow& row) {
    SCOPED_TRACE(row.name);
    auto* control = window->findChild<QWidget*>(QString::fromUtf8(row.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), row.geometry);
    EXPECT_EQ(!control->isHidden(), row.shown);
    if (row.caption != nullptr) {
        if (auto* label = qobject_cast<QLabel*>(control))
            EXPECT_EQ(label->text(), QString::fromUtf8(row.caption));
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            EXPECT_EQ(button->text(), QString::fromUtf8(row.caption));
        else
            ADD_FAILURE() << "no caption on this kind of control";
    }
    if (row.fontHeight != 0) {
        EXPECT_EQ(control->font().pixelSize(), row.fontHeight);
        EXPECT_EQ(control->font().weight(), QFont::Normal);
        EXPECT_EQ(QFontInfo(control->font()).family(), QStringLiteral("WenQuanYi Micro Hei"));
    }
}

class MainWindowLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        InitialiseProgramState();
        OnMainWindowCreated();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override {
        // The fade-in worker uses the window until its last opacity (250) has arrived.
        testing::EventsUntil([this] { return GetWindowAlpha(&window) == 250; });
    }
    MainWindow window;
};

TEST_F(MainWindowLayout, EveryControlSitsWhereTheFormPutsIt) {
    const QString zero = QStringLiteral("00：00");
    const std::string zeroUtf8 = zero.toStdString();
    const ControlRow rows[] = {
        {"图形按钮list", {541, 103, 24, 24}, true, nullptr, 0},
        {"标签time2", {432, 176, 48, 24}, true, zeroUtf8.c_str(), 12},
        {"标签time1", {208, 176, 48, 24}, true, zeroUtf8.c_str(), 12},
        {"图形按钮down", {488, 176, 24, 23}, true, nullptr, 0},
        {"画板1", {208, 88, 200, 50}, true, nullptr, 0},
        {"图形按钮1", {502, 48, 72, 32}, true, nullptr, 0},
        {"图形按钮stop", {520, 144, 48, 48}, false, nullptr, 0},
        {"图片框2", {204, 4, 135, 40}, true, nullptr, 0},
        {"图形按钮x", {536, 0, 48, 24}, true, nullptr, 0},
        {"标签2", {336, 10, 160, 24}, true, " - 颠覆你的听觉体验", 16},
        {"编辑框1", {8, 1, 272, 30}, true, nullptr, 13},
        {"外形框1", {208, 48, 288, 32}, true, nullptr, 0},
        {"图片框1", {0, 0, 200, 200}, true, nullptr, 0},
        {"图形按钮play", {520, 144, 48, 48}, true, nullptr, 0},
        {"标签1", {208, 143, 312, 24}, true, nullptr, 12},
        {"进度条", {211, 166, 300, 9}, true, nullptr, 0},
    };
    for (const ControlRow& row : rows)
        ExpectRow(&window, row);
    EXPECT_EQ(window.编辑框1->parentWidget(), window.外形框1);
}

TEST_F(MainWindowLayout, WindowIsBorderlessWhiteAndUntitled) {
    EXPECT_EQ(window.size(), QSize(580, 200));
    EXPECT_EQ(window.pos(), QPoint(50, 50));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window.windowTitle().isEmpty());
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(window.cursor().shape(), Qt::UpArrowCursor);
    EXPECT_EQ(window.图形按钮x->cursor().shape(), Qt::WhatsThisCursor);
    EXPECT_EQ(window.编辑框1->cursor().shape(), Qt::IBeamCursor);
    EXPECT_EQ(window.图形按钮play->cursor().shape(), Qt::UpArrowCursor);
}

TEST_F(MainWindowLayout, InitialStateIsIdle) {
    EXPECT_FALSE(window.时钟1->isActive());
    EXPECT_FALSE(window.时钟2->isActive());
    EXPECT_EQ(window.进度条->Maximum(), 500);
    EXPECT_EQ(window.进度条->Position(), 0);
    EXPECT_EQ(window.外形框1->OutlineColor(), kIdleOutlineColor);
    EXPECT_EQ(window.编辑框1->text().toStdString(), searchHint);
    EXPECT_FALSE(window.标签1->text().isEmpty()); // the credit line
    EXPECT_EQ(window.标签1->palette().color(QPalette::WindowText), QColor(96, 96, 96));
    EXPECT_EQ(window.标签2->palette().color(QPalette::WindowText), QColor(0, 202, 0));
    EXPECT_EQ(window.编辑框1->palette().color(QPalette::Text), QColor(26, 26, 26));
    EXPECT_TRUE(window.图片框1->HasPicture());
    EXPECT_TRUE(window.图片框2->HasPicture());
}

TEST_F(MainWindowLayout, TooltipsNameTheDownloadAndListButtons) {
    QCoreApplication::processEvents();
    EXPECT_EQ(window.图形按钮down->toolTip(), QStringLiteral("下载"));
    EXPECT_EQ(window.图形按钮list->toolTip(), QStringLiteral("列表"));
    EXPECT_TRUE(window.testAttribute(Qt::WA_AlwaysShowToolTips));
}

TEST_F(MainWindowLayout, CloseButtonIsClippedNotMoved) {
    EXPECT_EQ(window.图形按钮x->geometry(), QRect(536, 0, 48, 24));
    EXPECT_EQ(window.图形按钮x->visibleRegion().boundingRect(), QRect(0, 0, 44, 24));
}

TEST_F(MainWindowLayout, EarlierFormControlsLieAboveLaterOnes) {
    // 标签1 and 进度条 share the row y = 166; the stacking list puts 标签1 first.
    EXPECT_EQ(window.childAt(300, 166), window.标签1);
    EXPECT_EQ(window.childAt(300, 170), window.进度条);
}

TEST_F(MainWindowLayout, ImageButtonShowsItsPictureForPointerAndPress) {
    ImageButton* button = window.图形按钮play;
    EXPECT_EQ(button->CurrentLook(), ImageButton::Look::Normal);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->CurrentLook(), ImageButton::Look::Hover);
    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_EQ(button->CurrentLook(), ImageButton::Look::Pressed);
    QTest::mouseRelease(button, Qt::LeftButton);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_EQ(button->CurrentLook(), ImageButton::Look::Normal);
}

std::string FocusedName() {
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "";
}

TEST_F(MainWindowLayout, TabFollowsTheReadingOrderAndKeysPressTheFocusedButton) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const char* next : {"编辑框1", "图形按钮1", "图形按钮list", "图形按钮play", "图形按钮down",
                             "图形按钮x", "编辑框1"}) {
        EXPECT_EQ(FocusedName(), next);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(FocusedName(), "编辑框1");
    // Space presses the focused button, not the window's play key; play and pause pass it on.
    QSignalSpy download(window.图形按钮down, &QAbstractButton::clicked);
    window.图形按钮down->setFocus();
    QTest::keyClick(window.图形按钮down, Qt::Key_Space);
    EXPECT_EQ(download.count(), 1);
    window.图形按钮play->setFocus();
    QTest::keyClick(window.图形按钮play, Qt::Key_Return);
    EXPECT_EQ(FocusedName(), "图形按钮stop");
    QTest::keyClick(window.图形按钮stop, Qt::Key_Return);
    EXPECT_EQ(FocusedName(), "图形按钮play");
}

class ListWindowLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        window = new ListWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    void TearDown() override { delete window; }
    ListWindow* window;
};

TEST_F(ListWindowLayout, EveryControlSitsWhereTheFormPutsIt) {
    const ControlRow rows[] = {
        {"标签n", {264, 80, 24, 24}, true, "1", 0},
        {"图形按钮2", {3, 1, 14, 23}, true, nullptr, 0},
        {"图形按钮1", {233, 1, 14, 23}, true, nullptr, 0},
        {"标签1", {1, 1, 248, 24}, true, "  VELDO列表", 14},
        {"按钮1", {576, 224, 32, 16}, true, "", 0},
        {"列表框1", {1, 24, 248, 280}, true, nullptr, 12},
    };
    for (const ControlRow& row : rows)
        ExpectRow(window, row);
    EXPECT_EQ(window->列表框1->count(), 0);
}

TEST_F(ListWindowLayout, WindowIsBorderlessGreenAndUntitled) {
    EXPECT_EQ(window->size(), QSize(250, 305));
    EXPECT_EQ(window->pos(), QPoint(50, 50));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->windowTitle().isEmpty());
    EXPECT_EQ(window->palette().color(QPalette::Window), kAccentColor);
    EXPECT_EQ(window->标签1->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(listWindow, window);
}

TEST_F(ListWindowLayout, ControlsOutsideTheWindowAreClippedNotMoved) {
    EXPECT_EQ(window->标签n->pos(), QPoint(264, 80));
    EXPECT_TRUE(window->标签n->visibleRegion().isEmpty());
    EXPECT_EQ(window->按钮1->pos(), QPoint(576, 224));
    EXPECT_TRUE(window->按钮1->visibleRegion().isEmpty());
}

TEST_F(ListWindowLayout, ArrowsLieAboveTheTitleLabel) {
    EXPECT_EQ(window->childAt(8, 10), window->图形按钮2);
    EXPECT_EQ(window->childAt(240, 10), window->图形按钮1);
    EXPECT_EQ(window->childAt(120, 10), window->标签1);
}

TEST_F(ListWindowLayout, EnterChoosesTheCurrentEntryAsADoubleClickDoes) {
    explorationEntries.clear(); // nothing to load
    window->列表框1->addItems({"a", "b", "c"});
    QSignalSpy chosen(window->列表框1, &QListWidget::itemDoubleClicked);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window->列表框1, Qt::Key_Down);
    QTest::keyClick(window->列表框1, Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_TRUE(chosen[0][0].value<QListWidgetItem*>()->isSelected());
}

TEST(ListWindowLifetime, ClosingForgetsTheWindowAndASecondOpenReusesIt) {
    MainWindow main;
    OpenListWindow();
    ASSERT_NE(listWindow, nullptr);
    ListWindowForm* first = listWindow;
    OpenListWindow();
    EXPECT_EQ(listWindow, first);
    QPointer<ListWindowForm> guarded(first);
    first->close();
    ASSERT_TRUE(testing::EventsUntil([&] { return guarded.isNull(); }));
    EXPECT_EQ(listWindow, nullptr);
}

} // namespace
} // namespace veldo
