// Control operations from the UI thread and from worker threads: carried over in order, reads
// see every earlier write, controls that vanished are skipped, drawing is clipped.
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

#include "platform/gui/control_ops.h"
#include "platform/gui/drawing_panel.h"
#include "platform/gui/runtime_services.h"
#include "platform/gui/skinned_progress_bar.h"
#include "support_gui/events_until.h"

namespace veldo {
namespace {

// Runs `work` on a worker thread while the UI thread keeps handling events.
void OnWorker(const std::function<void()>& work) {
    std::atomic<bool> done = false;
    std::thread worker([&] {
        work();
        done = true;
    });
    const bool finished = testing::EventsUntil([&] { return done.load(); }, 10000);
    worker.join();
    ASSERT_TRUE(finished);
    QCoreApplication::processEvents();
}

TEST(ControlOps, WorkerWritesArriveInOrderAndReadsSeeThem) {
    QListWidget list;
    QLabel label;
    Text lastCaption;
    int count = -1;
    OnWorker([&] {
        for (int i = 0; i < 200; ++i) {
            AddListItem(&list, std::to_string(i));
            SetCaption(&label, std::to_string(i));
        }
        count = ListItemCount(&list);
        lastCaption = GetCaption(&label);
    });
    EXPECT_EQ(count, 200);
    EXPECT_EQ(lastCaption, "199");
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(list.item(i)->text(), QString::number(i));
}

TEST(ControlOps, TextsAreGbkOnOurSideAndUnicodeInQt) {
    QLabel label;
    SetCaption(&label, "\xCF\xC2\xD4\xD8"); // 下载
    EXPECT_EQ(label.text(), QStringLiteral("下载"));
    label.setText(QStringLiteral("完成"));
    EXPECT_EQ(GetCaption(&label), "\xCD\xEA\xB3\xC9");
}

TEST(ControlOps, TimerIntervalZeroStops) {
    QTimer timer;
    OnWorker([&] { SetTimerInterval(&timer, 50); });
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(GetTimerInterval(&timer), 50);
    OnWorker([&] { SetTimerInterval(&timer, 0); });
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(GetTimerInterval(&timer), 0);
}

TEST(ControlOps, WriteToAControlDeletedBeforeItArrivesIsSkipped) {
    // The next label is made in the same place, where a write that was not skipped would land.
    std::optional<QLabel> label(std::in_place);
    QLabel* const place = &*label;
    std::thread worker([place] { SetCaption(place, "late"); });
    worker.join();
    label.reset(); // the queued write is still waiting
    label.emplace();
    ASSERT_EQ(&*label, place);
    QCoreApplication::processEvents();
    EXPECT_EQ(label->text(), QString());
    OnWorker([place] { SetCaption(place, "next"); }); // a later write reaches the new label
    EXPECT_EQ(label->text(), QStringLiteral("next"));
}

TEST(ControlOps, ListSelectionIsZeroBasedAndMinusOneForNone) {
    QListWidget list;
    EXPECT_EQ(SelectedListIndex(&list), -1);
    AddListItem(&list, "a");
    AddListItem(&list, "b");
    list.setCurrentRow(1);
    EXPECT_EQ(SelectedListIndex(&list), 1);
    ClearListBox(&list);
    EXPECT_EQ(ListItemCount(&list), 0);
    EXPECT_EQ(SelectedListIndex(&list), -1);
}

TEST(ControlOps, ProgressPositionIsKeptAndDrawnWithinTheBar) {
    SkinnedProgressBar bar(500, nullptr);
    bar.resize(300, 9);
    EXPECT_EQ(GetProgressMaximum(&bar), 500);
    SetProgressPosition(&bar, 900);
    EXPECT_EQ(GetProgressPosition(&bar), 900);
    EXPECT_FALSE(bar.grab().isNull()); // painting an overfull bar is safe
}

class Panel : public ::testing::Test {
  protected:
    void SetUp() override { panel.resize(200, 50); }
    QRgb At(int x, int y) { return panel.Snapshot().pixel(x, y); }
    DrawingPanel panel{nullptr};
    const QColor green{128, 224, 0};
};

TEST_F(Panel, FillsAreClippedToThePanel) {
    ClearPanel(&panel);
    // A bar standing on the bottom edge: its rectangle reaches 40 pixels below the panel.
    FillPanelRect(&panel, 196, 40, 4, 50, 1, green, green);
    EXPECT_EQ(At(197, 45), green.rgb());
    EXPECT_EQ(At(196, 49), green.rgb());
    EXPECT_EQ(At(195, 45), QColor(Qt::white).rgb());
    EXPECT_EQ(At(197, 39), QColor(Qt::white).rgb());
    FillPanelRect(&panel, -10, -10, 5, 5, 1, green, green); // wholly outside
    FillPanelRect(&panel, 10, 10, 0, 5, 1, green, green);   // empty
    EXPECT_EQ(At(0, 0), QColor(Qt::white).rgb());
}

TEST_F(Panel, ClearWipesEverything) {
    FillPanelRect(&panel, 0, 0, 200, 50, 1, green, green);
    ClearPanel(&panel);
    const QImage image = panel.Snapshot();
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(image.pixel(x, y), QColor(Qt::white).rgb());
}

TEST_F(Panel, DrawingFromAWorkerArrives) {
    OnWorker([&] {
        ClearPanel(&panel);
        SetPanelDrawColor(&panel, green);
        FillPanelRect(&panel, 1, 10, 4, 50, 1, green, green);
    });
    EXPECT_EQ(panel.DrawColor(), green);
    EXPECT_EQ(At(2, 20), green.rgb());
}

TEST(RuntimeServices, WorkerStartsAtOnceAndRunDirectoryHasNoTrailingSeparator) {
    static std::atomic<bool> ran;
    ran = false;
    StartWorkerThread([] { ran = true; });
    EXPECT_TRUE(testing::EventsUntil([] { return ran.load(); }));
    const std::filesystem::path folder = RunDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.string().back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder / "veldo_app_tests")) << folder;
}

} // namespace
} // namespace veldo
