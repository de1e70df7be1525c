// Minutes and seconds of durations and of a stream's position and length.
#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "fake_audio.h"
#include "player/time_text.h"

namespace veldo::testing {
namespace {

struct DurationCase {
    double seconds;
    int minutes;
    int secondsPart;
    const char* text;
};

const DurationCase kDurations[] = {
    {0, 0, 0, "00:00"},    {0.99, 0, 0, "00:00"},     {9.5, 0, 9, "00:09"},
    {10, 0, 10, "00:10"},  {59.5, 0, 59, "00:59"},    {60, 1, 0, "01:00"},
    {65.9, 1, 5, "01:05"}, {207, 3, 27, "03:27"},     {599.99, 9, 59, "09:59"},
    {600, 10, 0, "10:00"}, {5999.9, 99, 59, "99:59"}, {6000, 100, 0, "100:00"},
    {-1, 0, 0, "00:00"},   {-0.5, 0, 0, "00:00"},
};

TEST(TimePart, TableOfDurations) {
    for (const auto& c : kDurations) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(TimePart(c.seconds, TimePartKind::Minutes), c.minutes);
        EXPECT_EQ(TimePart(c.seconds, TimePartKind::Seconds), c.secondsPart);
        EXPECT_EQ(ClockText(c.seconds), c.text);
    }
}

TEST(TimePart, ErrorAnswersAndHugeDurationsStayDefined) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(TimePart(nan, TimePartKind::Minutes), 0);
    EXPECT_EQ(TimePart(nan, TimePartKind::Seconds), 0);
    EXPECT_EQ(TimePart(-inf, TimePartKind::Minutes), 0);
    EXPECT_EQ(TimePart(inf, TimePartKind::Minutes), INT32_MAX);
    EXPECT_EQ(TimePart(1e300, TimePartKind::Minutes), INT32_MAX);
    EXPECT_GE(TimePart(1e300, TimePartKind::Seconds), 0);
    EXPECT_LE(TimePart(1e300, TimePartKind::Seconds), 59);
}

class StreamTimeText : public FakeStreamTest {};

// Position and length differ in every case, so elapsed cannot pass for total or total for elapsed.
TEST_F(StreamTimeText, PositionAndLengthOfAFakeStream) {
    const struct {
        double seconds;
        const char* text;
    } times[] = {{0, "00:00"},    {59.5, "00:59"}, {60, "01:00"},
                 {65.9, "01:05"}, {600, "10:00"},  {6000, "100:00"}};
    const size_t count = std::size(times);
    for (size_t i = 0; i < count; ++i) {
        const auto& position = times[i];
        const auto& length = times[(i + 1) % count];
        SCOPED_TRACE(std::to_string(position.seconds) + " of " + std::to_string(length.seconds));
        fake.position = BytesOf(position.seconds);
        fake.length = BytesOf(length.seconds);
        EXPECT_EQ(ElapsedText(currentStream), position.text);
        EXPECT_EQ(TotalText(currentStream), length.text);
    }
}

TEST_F(StreamTimeText, UnknownPositionOrLengthReadsZero) {
    fake.position = kUnknownBytes;
    fake.length = kUnknownBytes;
    EXPECT_EQ(ElapsedText(currentStream), "00:00");
    EXPECT_EQ(TotalText(currentStream), "00:00");
    fake.length = 0;
    EXPECT_EQ(TotalText(currentStream), "00:00");
}

// A position that moves past a minute while the text is being made must not give "01:59".
TEST_F(StreamTimeText, MinuteAndSecondsComeFromOneReading) {
    fake.position = BytesOf(59.999);
    fake.positionStep = BytesOf(0.01);
    const Text text = ElapsedText(currentStream);
    EXPECT_TRUE(text == "00:59" || text == "01:00") << text;
    EXPECT_EQ(fake.positionQueries, 1);
}

} // namespace
} // namespace veldo::testing
