// The created handler of the main window: transparent first, then ten opacity steps to 250.
#include <QTest>
#include <QWindow>
#include <cmath>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/start_up.h"
#include "platform/gui/window_services.h"
#include "state/program_state.h"
#include "support_gui/events_until.h"

namespace veldo {
namespace {

TEST(FadeIn, OpacityRisesInStepsOf25AndStopsAt250) {
    InitialiseProgramState();
    MainWindow window;
    window.winId();
    std::vector<int> seen;
    QObject::connect(window.windowHandle(), &QWindow::opacityChanged, [&](qreal opacity) {
        seen.push_back(static_cast<int>(std::lround(opacity * 255)));
    });

    OnMainWindowCreated();
    window.show();
    ASSERT_TRUE(testing::EventsUntil([&] { return !seen.empty() && seen.back() == 250; }));
    // Give a wrongly continuing worker the time to overshoot.
    QTest::qWait(50);

    const std::vector<int> expected = {0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(fadeAlpha, 250);
    EXPECT_EQ(GetWindowAlpha(&window), 250);
}

TEST(FadeIn, AFinishedFadeIsNotRepeated) {
    InitialiseProgramState();
    MainWindow window;
    OnMainWindowCreated();
    ASSERT_TRUE(testing::EventsUntil([&] { return GetWindowAlpha(&window) == 250; }));
    // fadeAlpha is never reset, so a second worker ends at once and leaves the opacity alone.
    SetWindowAlpha(&window, 100);
    FadeInWorker();
    QCoreApplication::processEvents();
    EXPECT_EQ(fadeAlpha, 250);
    EXPECT_EQ(GetWindowAlpha(&window), 100);
}

TEST(WindowAlpha, ValuesOutsideTheRangeAreClamped) {
    QWidget window;
    window.winId();
    SetWindowAlpha(&window, 300);
    EXPECT_EQ(GetWindowAlpha(&window), 255);
    SetWindowAlpha(&window, -4);
    EXPECT_EQ(GetWindowAlpha(&window), 0);
}

} // namespace
} // namespace veldo
