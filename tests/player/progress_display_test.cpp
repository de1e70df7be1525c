// The tick of 时钟1: the bar at maximum / length x position, the two time labels, and what a
// stream without a length or position shows.
#include "fake_audio.h"
#include "platform/gui/control_ops.h"
#include "player/progress_display.h"

namespace veldo::testing {
namespace {

class ProgressDisplay : public FakeStreamTest {
  protected:
    int Bar() { return GetProgressPosition(window.进度条); }
    Text Elapsed() { return GetCaption(window.标签time1); }
    Text Total() { return GetCaption(window.标签time2); }
};

TEST_F(ProgressDisplay, StartsWithFullWidthColonsUntilTheFirstTick) {
    EXPECT_EQ(Elapsed(), "00\xA3\xBA"
                         "00"); // "00：00" in GBK
    EXPECT_EQ(Total(), "00\xA3\xBA"
                       "00");
    fake.length = BytesOf(207);
    UpdateProgress();
    EXPECT_EQ(Elapsed(), "00:00");
    EXPECT_EQ(Total(), "03:27");
    EXPECT_EQ(Bar(), 0);
}

TEST_F(ProgressDisplay, BarIsMaximumOverLengthTimesPosition) {
    // The ratio is taken first: in doubles 500 / 38 x 19 is just below 250, 500 x 19 / 38 is 250.
    const struct {
        QWORD length;
        QWORD position;
        int bar;
    } cases[] = {
        {1000, 0, 0},      {1000, 1, 0}, {1000, 2, 1}, {1000, 500, 250}, {1000, 999, 499},
        {1000, 1000, 500}, {3, 1, 166},  {3, 2, 333},  {38, 19, 249},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        fake.length = c.length;
        fake.position = c.position;
        UpdateProgress();
        EXPECT_EQ(Bar(), c.bar);
    }
}

TEST_F(ProgressDisplay, LabelsShowElapsedAndTotal) {
    fake.length = BytesOf(6000);
    fake.position = BytesOf(65.9);
    UpdateProgress();
    EXPECT_EQ(Elapsed(), "01:05");
    EXPECT_EQ(Total(), "100:00");
    EXPECT_EQ(Bar(), 5); // 500 / length x position = 5.49
}

// Without a length or position the arithmetic would divide by zero or by 2^64 - 1.
TEST_F(ProgressDisplay, StreamWithoutLengthOrPositionShowsZero) {
    const struct {
        QWORD length;
        QWORD position;
    } cases[] = {
        {kUnknownBytes, kUnknownBytes},
        {0, 0},
        {0, 1000},
        {1000, kUnknownBytes},
        {kUnknownBytes, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        fake.length = BytesOf(100);
        fake.position = BytesOf(61);
        UpdateProgress();
        ASSERT_EQ(Elapsed(), "01:01");
        ASSERT_GT(Bar(), 0);
        fake.length = c.length;
        fake.position = c.position;
        UpdateProgress();
        EXPECT_EQ(Bar(), 0);
        EXPECT_EQ(Elapsed(), "00:00");
        EXPECT_EQ(Total(), "00:00");
    }
}

TEST_F(ProgressDisplay, PositionBeyondAnEstimatedLengthKeepsTheBarFull) {
    fake.length = 1000;
    fake.position = 4000;
    UpdateProgress();
    EXPECT_EQ(Bar(), 500);
}

} // namespace
} // namespace veldo::testing
