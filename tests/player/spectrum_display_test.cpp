// The spectrum: level rules of one bar, and what scripted FFT frames draw on 画板1's pixels.
#include <limits>
#include <vector>

#include "fake_audio.h"
#include "player/spectrum_display.h"

namespace veldo::testing {
namespace {

struct LevelCase {
    const char* what;
    float bar, peak;
    int height;
    float barAfter, peakAfter;
};

const LevelCase kLevelCases[] = {
    {"silence from start-up", 0, 0, 0, 1, -1},
    {"loud note from the floor", 1, -1, 500, 48, 50},
    {"exactly the bar limit", 1, 0, 48, 48, 50},
    {"just above the bar limit", 40, 41, 49, 48, 50},
    {"falls after a loud note", 48, 50, 0, 45, 49},
    {"same height counts as a fall", 20, 30, 20, 17, 29},
    {"loud note at the limit again falls", 48, 50, 48, 45, 49},
    {"rise pushes the cap two above", 1, 0, 31, 31, 33},
    {"rise under the cap keeps it", 20, 30, 21, 21, 30},
    {"rise to exactly cap + 2 keeps it", 20, 21, 23, 23, 21},
    {"rise past cap + 2 lifts it", 20, 21, 24, 24, 26},
    {"bar stops at 1", 2, 5, 0, 1, 4},
    {"cap has no floor", 1, -100, 0, 1, -101},
};

TEST(BarLevels, RiseFallAndCapRules) {
    for (const auto& c : kLevelCases) {
        SCOPED_TRACE(c.what);
        float bar = c.bar, peak = c.peak;
        UpdateBarLevels(bar, peak, c.height, 50);
        EXPECT_FLOAT_EQ(bar, c.barAfter);
        EXPECT_FLOAT_EQ(peak, c.peakAfter);
    }
}

// A bin value that draws exactly `pixels` on a panel `panelHeight` high.
float BinFor(int pixels, int panelHeight = 50) {
    return float((pixels + 0.5) / (panelHeight * 10.0));
}

// One bar's column as drawn: its height from the bottom and the row of its cap (-1: none).
struct Column {
    int bar = 0;
    int capRow = -1;
    bool operator==(const Column&) const = default;
};

void PrintTo(const Column& c, std::ostream* os) {
    *os << "{bar " << c.bar << ", cap row " << c.capRow << "}";
}

class SpectrumDisplay : public FakeStreamTest {
  protected:
    static bool Green(const QImage& image, int x, int y) {
        return image.pixel(x, y) == qRgb(128, 224, 0);
    }
    static bool White(const QImage& image, int x, int y) {
        return image.pixel(x, y) == qRgb(255, 255, 255);
    }
    static bool ColumnWhite(const QImage& image, int x) {
        for (int y = 0; y < image.height(); ++y)
            if (!White(image, x, y)) return false;
        return true;
    }
    // Reads the column at x and checks that it is green or white only, with no second bar.
    static Column ReadColumn(const QImage& image, int x) {
        Column c;
        int y = image.height() - 1;
        while (y >= 0 && Green(image, x, y)) {
            ++c.bar;
            --y;
        }
        for (; y >= 0; --y) {
            if (Green(image, x, y)) {
                EXPECT_EQ(c.capRow, -1) << "two caps at x " << x;
                c.capRow = y;
            } else {
                EXPECT_TRUE(White(image, x, y)) << x << "," << y;
            }
        }
        return c;
    }
    // The bars of a drawn panel: each 4 columns wide and alike, a white column after each.
    static std::vector<Column> ReadBars(const QImage& image) {
        std::vector<Column> bars;
        EXPECT_TRUE(ColumnWhite(image, 0));
        for (int x = 1; x + 3 < image.width(); x += 5) {
            const Column c = ReadColumn(image, x);
            if (c == Column{} && ColumnWhite(image, x)) {
                for (int rest = x; rest < image.width(); ++rest)
                    EXPECT_TRUE(ColumnWhite(image, rest)) << rest;
                break;
            }
            for (int dx = 1; dx < 4; ++dx)
                EXPECT_EQ(ReadColumn(image, x + dx), c) << "x " << x + dx;
            if (x + 4 < image.width()) {
                EXPECT_TRUE(ColumnWhite(image, x + 4)) << x + 4;
            }
            bars.push_back(c);
        }
        return bars;
    }
    std::vector<Column> Tick() {
        DrawSpectrum();
        return ReadBars(window.画板1->Snapshot());
    }
};

TEST_F(SpectrumDisplay, SilenceDrawsFortyBarsOneHighAndCapsFallAway) {
    const auto first = Tick();
    ASSERT_EQ(first.size(), 40u);
    for (const Column& c : first)
        EXPECT_EQ(c, (Column{1, -1}));

    peakLevel.fill(10);
    int ticksWithCaps = 0;
    for (int tick = 0; tick < 20; ++tick) {
        const auto bars = Tick();
        ASSERT_EQ(bars.size(), 40u);
        if (bars[0].capRow < 0) break;
        ++ticksWithCaps;
        for (const Column& c : bars)
            EXPECT_EQ(c, (Column{1, 50 - (9 - tick)}));
    }
    EXPECT_EQ(ticksWithCaps, 7); // caps at 9 down to 3; a cap at 2 is not drawn
}

TEST_F(SpectrumDisplay, LoudBinIs48PixelsWithItsCapOnTheTopRow) {
    fake.fft[0] = 1.0f;
    fake.fft[39] = 1.0f;
    fake.fft[40] = 1.0f; // beyond the 40 bars of a 200-pixel panel
    const auto bars = Tick();
    ASSERT_EQ(bars.size(), 40u);
    EXPECT_EQ(bars[0], (Column{48, 0}));
    EXPECT_EQ(bars[39], (Column{48, 0}));
    EXPECT_EQ(bars[1], (Column{1, -1}));
    EXPECT_FLOAT_EQ(barLevel[40], 0);
}

TEST_F(SpectrumDisplay, AfterALoudNoteBarsFallThreeAndCapsOnePerTick) {
    fake.fft[5] = 1.0f;
    Tick();
    fake.fft[5] = 0;
    for (int tick = 1; tick <= 15; ++tick) {
        SCOPED_TRACE(tick);
        const auto bars = Tick();
        ASSERT_EQ(bars.size(), 40u);
        const int bar = std::max(1, 48 - 3 * tick);
        EXPECT_EQ(bars[5], (Column{bar, tick}));
    }
    // 48 - 3 x 16 is below 1: the bar rests on the floor while the cap goes on falling.
    EXPECT_EQ(Tick()[5], (Column{1, 16}));
}

TEST_F(SpectrumDisplay, RisingBarPutsItsCapTwoAbove) {
    fake.fft[2] = BinFor(31);
    EXPECT_EQ(Tick()[2], (Column{31, 50 - 33}));
    fake.fft[2] = BinFor(32); // under cap + 2: the cap stays, on the row right above the bar
    EXPECT_EQ(Tick()[2], (Column{33, -1}));
    EXPECT_FLOAT_EQ(barLevel[2], 32);
    EXPECT_FLOAT_EQ(peakLevel[2], 33);
}

TEST_F(SpectrumDisplay, WidthAndHeightAreReadFromThePanelEveryTick) {
    fake.fft.fill(1.0f);
    EXPECT_EQ(Tick().size(), 40u);

    window.画板1->resize(700, 100);
    const auto wide = Tick();
    ASSERT_EQ(wide.size(), 128u); // 128 bins at most: x 641 to 699 stay empty
    EXPECT_EQ(wide[0], (Column{98, 0}));
    EXPECT_EQ(wide[127], (Column{98, 0}));
    const QImage image = window.画板1->Snapshot();
    for (int x = 640; x < 700; ++x)
        EXPECT_TRUE(ColumnWhite(image, x)) << x;
}

TEST_F(SpectrumDisplay, NoFftDataLeavesThePanelClearAndTheLevelsAsTheyWere) {
    fake.fft[0] = 1.0f;
    Tick();
    fake.noFftData = true;
    DrawSpectrum();
    const QImage image = window.画板1->Snapshot();
    for (int x = 0; x < image.width(); ++x)
        ASSERT_TRUE(ColumnWhite(image, x)) << x;
    EXPECT_FLOAT_EQ(barLevel[0], 48);
    EXPECT_FLOAT_EQ(peakLevel[0], 50);
}

TEST_F(SpectrumDisplay, WildBinValuesDrawWithinThePanel) {
    fake.fft[0] = 1e30f;
    fake.fft[1] = -1.0f;
    fake.fft[2] = std::numeric_limits<float>::quiet_NaN();
    fake.fft[3] = std::numeric_limits<float>::infinity();
    const auto bars = Tick();
    ASSERT_EQ(bars.size(), 40u);
    EXPECT_EQ(bars[0], (Column{48, 0}));
    EXPECT_EQ(bars[1], (Column{1, -1}));
    EXPECT_EQ(bars[2], (Column{1, -1}));
    EXPECT_EQ(bars[3], (Column{48, 0}));
}

} // namespace
} // namespace veldo::testing
