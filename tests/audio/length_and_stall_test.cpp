// Lengths while the file is still arriving, and a download that falls behind playback.
#include <algorithm>
#include <vector>

#include "engine_fixture.h"

namespace veldo::testing {
namespace {

class StreamingTest : public EngineTest {};

TEST_F(StreamingTest, LengthOfALameTaggedFileIsExactBeforeTheDownloadEnds) {
    OpenDevice(true);
    ServedFile file{Tone(440, 30.0)};
    file.bytesPerSecond = 100000; // about 5 s for the whole file
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/t.mp3", file).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), QWORD(30) * kBytesPerSecond);
}

TEST_F(StreamingTest, LengthOfAnUntaggedCbrFileIsWithinTwoPercentBeforeTheDownloadEnds) {
    OpenDevice(true);
    Mp3Settings untagged;
    untagged.lameTag = false;
    ServedFile file{Tone(440, 30.0, untagged)};
    file.bytesPerSecond = 100000;
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/u.mp3", file).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    const double seconds =
        BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    EXPECT_NEAR(seconds, 30.0, 0.6);
}

// The server sends about 0.7 s of a 3 s sound, pauses 1.5 s, then sends the rest: the channel
// plays, runs dry (stalled), and plays again by itself to the end.
TEST_F(StreamingTest, ADownloadThatFallsBehindStallsAndResumes) {
    OpenDevice(false);
    ServedFile file{Tone(440, 3.0)};
    file.pauseAfter = 128000 / 8 * 7 / 10; // 0.7 s at 128 kbit/s
    file.pauseMs = 1500;
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/slow.mp3", file).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    BASS_ChannelPlay(stream, false);
    std::vector<DWORD> states{BASS_ChannelIsActive(stream)};
    int stalledWindows = 0, frozenWindows = 0; // spectra read while stalled, and non-zero ones
    EXPECT_TRUE(WaitUntil([&] {
        const DWORD state = BASS_ChannelIsActive(stream);
        if (state != states.back()) states.push_back(state);
        if (state == BASS_ACTIVE_STALLED) {
            float bins[128];
            BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256);
            if (BASS_ChannelIsActive(stream) == BASS_ACTIVE_STALLED) {
                ++stalledWindows;
                frozenWindows += std::any_of(bins, bins + 128, [](float b) { return b != 0; });
            }
        }
        return state == BASS_ACTIVE_STOPPED;
    }));
    // Nothing sounds while stalled: the spectrum is zeros, not the last window heard.
    EXPECT_GT(stalledWindows, 0);
    EXPECT_EQ(frozenWindows, 0);
    // Playing, then stalled, then playing again after the stall, and stopped at the end.
    ASSERT_GE(states.size(), 4u);
    EXPECT_EQ(states.front(), BASS_ACTIVE_PLAYING);
    const auto stall = std::find(states.begin(), states.end(), BASS_ACTIVE_STALLED);
    ASSERT_NE(stall, states.end());
    EXPECT_NE(std::find(stall, states.end(), BASS_ACTIVE_PLAYING), states.end());
    EXPECT_EQ(states.back(), BASS_ACTIVE_STOPPED);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE)),
                3.0, 0.05);
}

} // namespace
} // namespace veldo::testing
