// The player on the real engine: SDL's disk driver stands in for the speaker and MP3 tones come
// from a local server. The state table of play, pause and reset row by row, resuming, playing
// an ended sound again, reset during playback and a sound that cannot be opened.
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "app/main_window.h"
#include "forms/ui_colors.h"
#include "platform/audio/bass.h"
#include "platform/gui/control_ops.h"
#include "player/playback_control.h"
#include "player/spectrum_display.h"
#include "sample_site/mp3_encoder.h"
#include "state/program_state.h"
#include "support/local_server.h"
#include "support/mp3_server.h"
#include "support/temp_dir.h"
#include "support_gui/events_until.h"

namespace veldo::testing {
namespace {

constexpr double kBytesPerSecond = 44100 * 4;
const Text kFullWidthZero = "00\xA3\xBA"
                            "00"; // "00：00" in GBK

class PlayerWithEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (folder_.path() / "speaker.raw").c_str(), 1);
        unsetenv("SDL_DISKAUDIODELAY"); // real-time pace
        InitialiseProgramState();
        barLevel.fill(0);
        peakLevel.fill(0);
        ServeFile(server_, "/long.mp3", {Tone(5.0)});
        ServeFile(server_, "/short.mp3", {Tone(0.6)});
        server_.Start();
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
    void TearDown() override {
        BASS_Free();
        InitialiseProgramState();
    }

    static std::string Tone(double seconds) { return EncodeMp3(SineTone(440, seconds, 0.5)); }
    void Load(const char* path) { currentSound.source = server_.Url(path); }
    size_t Requests() const { return server_.Requests().size(); }

    bool PlayShown() { return IsShown(window_.图形按钮play); }
    bool PauseShown() { return IsShown(window_.图形按钮stop); }
    int ProgressTimer() { return GetTimerInterval(window_.时钟1); }
    int SpectrumTimer() { return GetTimerInterval(window_.时钟2); }
    QColor Outline() { return GetOutlineColor(window_.外形框1); }
    DWORD State() { return BASS_ChannelIsActive(currentStream); }
    double Seconds() {
        return double(BASS_ChannelGetPosition(currentStream, BASS_POS_BYTE)) / kBytesPerSecond;
    }
    Text Elapsed() { return GetCaption(window_.标签time1); }
    Text Total() { return GetCaption(window_.标签time2); }
    int Bar() { return GetProgressPosition(window_.进度条); }
    int GreenPixels() {
        const QImage image = window_.画板1->Snapshot();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) != qRgb(255, 255, 255);
        return count;
    }

    void ExpectIdleControls(const char* row) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(PlayShown());
        EXPECT_FALSE(PauseShown());
        EXPECT_EQ(ProgressTimer(), 0);
        EXPECT_EQ(SpectrumTimer(), 0);
        EXPECT_EQ(Outline(), kIdleOutlineColor);
    }
    void ExpectPlayingControls(const char* row, bool timersRun) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(PlayShown());
        EXPECT_TRUE(PauseShown());
        EXPECT_EQ(ProgressTimer(), timersRun ? 1000 : 0);
        EXPECT_EQ(SpectrumTimer(), timersRun ? 50 : 0);
        EXPECT_EQ(Outline(), kIdleOutlineColor);
    }

    TempDir folder_;
    LocalServer server_;
    MainWindow window_;
};

TEST_F(PlayerWithEngine, StateTableRowByRow) {
    ExpectIdleControls("idle at start");

    SetOutlineColor(window_.外形框1, kAccentColor);
    PlayCurrentSound();
    ExpectPlayingControls("nothing to play", false);
    EXPECT_EQ(currentStream, 0u);
    EXPECT_EQ(Requests(), 0u);
    PausePlayback();
    ExpectIdleControls("pause with nothing to play");

    Load("/long.mp3");
    SetOutlineColor(window_.外形框1, kAccentColor);
    PlayCurrentSound();
    ExpectPlayingControls("playing", true);
    const HSTREAM first = currentStream;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(State(), BASS_ACTIVE_PLAYING);

    SetOutlineColor(window_.外形框1, kAccentColor);
    ASSERT_TRUE(window_.图形按钮stop->isVisible());
    QTest::mouseClick(window_.图形按钮stop, Qt::LeftButton);
    ExpectIdleControls("paused by its button");
    EXPECT_EQ(State(), BASS_ACTIVE_PAUSED);

    PlayCurrentSound();
    ExpectPlayingControls("resumed", true);
    EXPECT_EQ(currentStream, first);
    EXPECT_EQ(State(), BASS_ACTIVE_PLAYING);

    window_.编辑框1->setFocus();
    SetOutlineColor(window_.外形框1, kAccentColor);
    ResetPlayer();
    ExpectIdleControls("after reset");
    EXPECT_EQ(State(), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(currentStream, first); // the stopped stream stays until the next play
    EXPECT_EQ(window_.focusWidget(), window_.标签1);

    PlayCurrentSound();
    ExpectPlayingControls("playing again after reset", true);
    EXPECT_NE(currentStream, first);
    EXPECT_NE(currentStream, 0u);
    EXPECT_EQ(State(), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(Requests(), 2u);
}

TEST_F(PlayerWithEngine, PlayPausePlayResumesAtThePausedPositionWithTheSameHandle) {
    Load("/long.mp3");
    PlayCurrentSound();
    const HSTREAM stream = currentStream;
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(EventsUntil([&] { return Total() == "00:05"; })); // the first tick of 时钟1
    ASSERT_TRUE(EventsUntil([&] { return Seconds() > 0.8; }));
    PausePlayback();
    const double paused = Seconds();
    EXPECT_GT(paused, 0.8);
    EXPECT_EQ(GreenPixels(), 0); // pause clears the spectrum
    const Text elapsed = Elapsed();
    const int bar = Bar();
    EXPECT_GT(bar, 0);

    QTest::qWait(1200); // nothing to wait for: no tick moves the bar, the labels or the position
    EXPECT_DOUBLE_EQ(Seconds(), paused);
    EXPECT_EQ(Elapsed(), elapsed);
    EXPECT_EQ(Bar(), bar);
    EXPECT_EQ(GreenPixels(), 0);

    QElapsedTimer sinceResumed;
    sinceResumed.start();
    PlayCurrentSound();
    EXPECT_EQ(currentStream, stream);
    ASSERT_TRUE(EventsUntil([&] { return Seconds() > paused + 0.2; }));
    // It resumed where it paused: no more played than the time since (0.25 s for a few device
    // buffers).
    const double resumed = Seconds();
    EXPECT_LT(resumed, paused + sinceResumed.elapsed() / 1000.0 + 0.25);
    EXPECT_EQ(Requests(), 1u);
}

TEST_F(PlayerWithEngine, SoundThatEndedPlaysAgainFromTheStart) {
    Load("/short.mp3");
    PlayCurrentSound();
    const HSTREAM ended = currentStream;
    ASSERT_NE(ended, 0u);
    ASSERT_TRUE(EventsUntil([&] { return State() == BASS_ACTIVE_STOPPED; }));
    // The pause button stays; the timers stop once the bar shows the end and the bars have
    // fallen, so nothing wakes the program while nothing plays.
    ASSERT_TRUE(EventsUntil([&] { return ProgressTimer() == 0 && SpectrumTimer() == 0; }, 5000));
    ExpectPlayingControls("after the end", false);
    EXPECT_EQ(Bar(), GetProgressMaximum(window_.进度条));

    PausePlayback(); // pauses nothing
    ExpectIdleControls("paused after the end");
    EXPECT_EQ(State(), BASS_ACTIVE_STOPPED);

    PlayCurrentSound();
    EXPECT_NE(currentStream, ended);
    EXPECT_EQ(State(), BASS_ACTIVE_PLAYING);
    EXPECT_LT(Seconds(), 0.3);
    EXPECT_EQ(Requests(), 2u);
    ASSERT_TRUE(EventsUntil([&] { return State() == BASS_ACTIVE_STOPPED; }));
    EXPECT_NEAR(Seconds(), 0.6, 0.05);
}

TEST_F(PlayerWithEngine, ResetDuringPlaybackStopsZeroesTheBarClearsTheSpectrumKeepsTheTimes) {
    Load("/long.mp3");
    PlayCurrentSound();
    ASSERT_TRUE(EventsUntil([&] { return Total() == "00:05"; }));
    EXPECT_TRUE(Elapsed() == "00:00" || Elapsed() == "00:01") << Elapsed();
    ASSERT_TRUE(EventsUntil([&] { return GreenPixels() > 100; }));
    ASSERT_TRUE(EventsUntil([&] { return Bar() > 0; }, 3000));
    const Text elapsed = Elapsed();

    ResetPlayer();
    EXPECT_EQ(Bar(), 0);
    EXPECT_EQ(GreenPixels(), 0);
    EXPECT_EQ(Elapsed(), elapsed);
    EXPECT_EQ(Total(), "00:05");
    EXPECT_EQ(State(), BASS_ACTIVE_STOPPED);
    const double stopped = Seconds();
    QTest::qWait(400);
    EXPECT_DOUBLE_EQ(Seconds(), stopped);
    EXPECT_EQ(GreenPixels(), 0);
    EXPECT_EQ(Elapsed(), elapsed);
}

// The stream cannot be opened: the timers run on a handle of 0, whose length and position the
// engine answers with -1. The bar and times read zero instead of the arithmetic's garbage.
TEST_F(PlayerWithEngine, SoundThatCannotBeOpenedShowsZeroAndNoSpectrum) {
    Load("/missing.mp3");
    SetProgressPosition(window_.进度条, 123);
    PlayCurrentSound();
    EXPECT_EQ(currentStream, 0u);
    ExpectPlayingControls("nothing opened", true);
    ASSERT_TRUE(EventsUntil([&] { return Elapsed() != kFullWidthZero; }, 5000));
    EXPECT_EQ(Elapsed(), "00:00");
    EXPECT_EQ(Total(), "00:00");
    EXPECT_EQ(Bar(), 0);
    EXPECT_EQ(GreenPixels(), 0);
}

} // namespace
} // namespace veldo::testing
