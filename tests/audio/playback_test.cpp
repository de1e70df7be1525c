// End-to-end playback through SDL's disk driver: what reaches the "speaker", positions, pause,
// the end of a sound and the spectrum of what is heard.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine_fixture.h"
#include "support/pcm_analysis.h"

namespace veldo::testing {
namespace {

class PlaybackTest : public EngineTest {};

// Plays `stream` until it reports stopped.
void PlayToEnd(HSTREAM stream) {
    EXPECT_TRUE(BASS_ChannelPlay(stream, false));
    EXPECT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
}

TEST_F(PlaybackTest, ToneComesOutOfTheSpeakerAtItsPitchAndLength) {
    OpenDevice(false);
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/a.mp3", {Tone(440, 2.0)}).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    PlayToEnd(stream);
    BASS_Free(); // closes the speaker file
    const auto heard = AudibleLeftChannel(ReadPcmFile(Speaker()), 2);
    EXPECT_NEAR(ZeroCrossingFrequency(heard, 44100), 440.0, 2.0);
    EXPECT_NEAR(double(heard.size()) / 44100, 2.0, 0.05);
}

// A 22050 Hz mono file: the device resamples, but positions and lengths stay in the file's
// own format (one second = 44100 bytes) and the pitch is unchanged.
TEST_F(PlaybackTest, OtherRatesAreResampledAndCountedInTheirOwnFormat) {
    OpenDevice(false);
    Mp3Settings settings;
    settings.sampleRate = 22050;
    settings.channels = 1;
    settings.bitrateKbps = 64;
    const HSTREAM stream = BASS_StreamCreateURL(Serve("/m.mp3", {Tone(440, 2.0, settings)}).c_str(),
                                                0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), 2u * 22050 * 2);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stream, 44100), 1.0);
    PlayToEnd(stream);
    const QWORD end = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    EXPECT_NEAR(double(end), 2.0 * 22050 * 2, 22050 * 2 * 0.02);
    BASS_Free();
    const auto heard = AudibleLeftChannel(ReadPcmFile(Speaker()), 2);
    EXPECT_NEAR(ZeroCrossingFrequency(heard, 44100), 440.0, 2.0);
    EXPECT_NEAR(double(heard.size()) / 44100, 2.0, 0.05);
}

TEST_F(PlaybackTest, EndOfSoundGivesStoppedWithThePositionAtTheLength) {
    OpenDevice(true);
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/e.mp3", {Tone(440, 1.0)}).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED); // created, not yet playing
    PlayToEnd(stream);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE),
              BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE)),
                1.0, 0.01);
    // An ended stream stays stopped: pausing pauses nothing, playing does not restart it.
    EXPECT_FALSE(BASS_ChannelPause(stream));
    EXPECT_TRUE(BASS_ChannelPlay(stream, false));
    Sleep(50);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
}

// Seconds of sound `stream` has played.
double PlayedSeconds(HSTREAM stream) {
    return double(BASS_ChannelGetPosition(stream, BASS_POS_BYTE)) / kBytesPerSecond;
}

// Seconds of wall-clock time since `start`.
double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(PlaybackTest, PauseHoldsThePositionAndPlayResumesIt) {
    OpenDevice(false);
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/p.mp3", {Tone(440, 5.0)}).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    ASSERT_TRUE(WaitUntil([&] { return PlayedSeconds(stream) >= 0.5; }));
    ASSERT_TRUE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PAUSED);
    const QWORD paused = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    // The position is what was heard, never what was decoded ahead: no more than the time
    // since the start (0.25 s for a few buffers of the device).
    EXPECT_GE(double(paused) / kBytesPerSecond, 0.5);
    EXPECT_LT(double(paused) / kBytesPerSecond, SecondsSince(started) + 0.25);
    EXPECT_EQ(paused % 4, 0u); // whole frames
    // Nothing to wait for: a paused position must not move meanwhile.
    Sleep(400);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), paused);
    const auto resumedAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(WaitUntil([&] {
        return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) >= paused + kBytesPerSecond / 5;
    }));
    const QWORD resumed = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    EXPECT_LT(double(resumed - paused) / kBytesPerSecond, SecondsSince(resumedAt) + 0.25);
}

TEST_F(PlaybackTest, StopStopsOutputAndTheStreamReportsStopped) {
    OpenDevice(false);
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/s.mp3", {Tone(440, 5.0)}).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    BASS_ChannelPlay(stream, false);
    ASSERT_TRUE(WaitUntil([&] { return PlayedSeconds(stream) > 0.1; }));
    ASSERT_TRUE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    const QWORD stopped = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    Sleep(300); // nothing to wait for: a stopped position must not move meanwhile
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), stopped);
}

bool AllZero(const float* bins) {
    return std::all_of(bins, bins + 128, [](float b) { return b == 0.0f; });
}

// The spectrum is of what is heard now: a 440 Hz tone peaks in bin 2 or 3 (172.3 Hz a bin),
// a tone centred on bin 10 reads about its amplitude there. Before the sound starts and after
// it has ended the data are zeros (not an error, nor the last window), so the bars fall.
TEST_F(PlaybackTest, SpectrumOfAPlayingTonePeaksInItsBinAndIsZeroBeforeAndAfter) {
    OpenDevice(false);
    const HSTREAM a =
        BASS_StreamCreateURL(Serve("/f.mp3", {Tone(440, 1.0)}).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(a, 0u);
    float bins[128];
    std::fill(bins, bins + 128, 1.0f);
    EXPECT_EQ(BASS_ChannelGetData(a, bins, BASS_DATA_FFT256), DWORD(256 * 4)); // not started
    EXPECT_TRUE(AllZero(bins));
    BASS_ChannelPlay(a, false);
    ASSERT_TRUE(WaitUntil([&] { return PlayedSeconds(a) >= 0.4; })); // well inside the tone
    ASSERT_NE(BASS_ChannelGetData(a, bins, BASS_DATA_FFT256), DWORD(-1));
    const int peak = int(std::max_element(bins, bins + 128) - bins);
    EXPECT_TRUE(peak == 2 || peak == 3) << peak;
    EXPECT_GT(bins[peak], 0.2);
    EXPECT_LT(bins[20], 0.02);
    ASSERT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(a) == BASS_ACTIVE_STOPPED; }));
    EXPECT_EQ(BASS_ChannelGetData(a, bins, BASS_DATA_FFT256), DWORD(256 * 4)); // ended
    EXPECT_TRUE(AllZero(bins));
}

TEST_F(PlaybackTest, SpectrumReadsTheAmplitudeOfAToneCentredOnABin) {
    OpenDevice(false);
    const double bin10 = 10 * 44100.0 / 256;
    const HSTREAM a =
        BASS_StreamCreateURL(Serve("/g.mp3", {Tone(bin10, 3.0)}).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(a, 0u);
    BASS_ChannelPlay(a, false);
    ASSERT_TRUE(WaitUntil([&] { return PlayedSeconds(a) >= 0.4; }));
    BASS_ChannelPause(a);
    float bins[128];
    ASSERT_NE(BASS_ChannelGetData(a, bins, BASS_DATA_FFT256), DWORD(-1));
    EXPECT_EQ(std::max_element(bins, bins + 128) - bins, 10);
    EXPECT_NEAR(bins[10], 0.5, 0.06); // the tone's amplitude is half of full scale
}

} // namespace
} // namespace veldo::testing
