// Device opening and the life of streams: no device, many sounds in a row, freeing.
#include <fstream>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "platform/audio/engine_stats.h"

namespace veldo::testing {
namespace {

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

TEST(DeviceTest, NoUsableDeviceGivesFalseAndLaterCallsFailCleanly) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_EQ(BASS_StreamCreateURL("http://127.0.0.1:9/a.mp3", 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_ChannelPlay(0, false));
    EXPECT_EQ(BASS_ChannelGetPosition(0, BASS_POS_BYTE), QWORD(-1));
    EXPECT_TRUE(BASS_Free());
}

class LifetimeTest : public EngineTest {};

// The player stops the current stream and opens the next one, sound after sound: stopped
// streams are freed with their threads, so neither streams nor threads pile up.
TEST_F(LifetimeTest, TwoHundredStreamsCreatedAndReplacedLeaveNothingBehind) {
    OpenDevice(true);
    const std::string url = Serve("/short.mp3", {Tone(440, 0.6)});
    HSTREAM current = 0;
    // Measured once the server's worker threads are up and one stream (two threads) lives.
    int threadsWithOneStream = 0;
    for (int i = 0; i < 200; ++i) {
        BASS_ChannelStop(current);
        current = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
        ASSERT_NE(current, 0u) << "sound " << i;
        ASSERT_TRUE(BASS_ChannelPlay(current, false));
        if (i % 3 == 0)
            WaitUntil([&] { return BASS_ChannelIsActive(current) == BASS_ACTIVE_STOPPED; });
        EXPECT_EQ(audio::LiveStreamCount(), 1u); // the stopped one was freed
        if (i == 5) {
            Sleep(300);
            threadsWithOneStream = ThreadCount();
        }
        // A little slack for threads of the test server and the sanitizer runtime.
        if (i > 5) {
            EXPECT_LE(ThreadCount(), threadsWithOneStream + 3);
        }
    }
    // A freed handle is no longer valid; the current one still is.
    BASS_ChannelStop(current);
    const HSTREAM last = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    EXPECT_EQ(BASS_ChannelGetLength(current, BASS_POS_BYTE), QWORD(-1));
    EXPECT_NE(BASS_ChannelGetLength(last, BASS_POS_BYTE), QWORD(-1));
    BASS_Free();
    EXPECT_EQ(audio::LiveStreamCount(), 0u);
    // The stream's two threads and SDL's audio thread are gone (with the same slack); a
    // thread left behind per stream would show as hundreds.
    EXPECT_LE(ThreadCount(), threadsWithOneStream - 3 + 3);
}

// A paused stream is not freed when another one is opened: only stopped and ended ones are.
TEST_F(LifetimeTest, PausedStreamsSurviveANewStream) {
    OpenDevice(false);
    const std::string url = Serve("/keep.mp3", {Tone(440, 3.0)});
    const HSTREAM first = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    BASS_ChannelPlay(first, false);
    Sleep(100);
    BASS_ChannelPause(first);
    const HSTREAM second = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(first), BASS_ACTIVE_PAUSED);
    EXPECT_TRUE(BASS_ChannelPlay(first, false));
}

// Each new stream lengthens the device's mix list while its callback walks that list (the fast
// disk driver calls it without pause): the list must never be reallocated under the walk.
// ThreadSanitizer and AddressSanitizer watch this one.
TEST_F(LifetimeTest, StreamsAddedWhileTheDeviceMixesAreSafe) {
    OpenDevice(true);
    const std::string url = Serve("/mix.mp3", {Tone(440, 3.0)});
    ASSERT_TRUE(BASS_ChannelPlay(BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr), 0));
    std::vector<HSTREAM> added;
    for (int i = 0; i < 12; ++i) {
        added.push_back(BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr));
        ASSERT_NE(added.back(), 0u) << "stream " << i;
    }
    // Then all of them at once through the mixer, to their ends.
    for (const HSTREAM stream : added)
        EXPECT_TRUE(BASS_ChannelPlay(stream, false));
    for (const HSTREAM stream : added)
        EXPECT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
}

TEST_F(LifetimeTest, FreeWhileDownloadingReturnsPromptly) {
    OpenDevice(false);
    ServedFile file{Tone(440, 20.0)};
    file.bytesPerSecond = 40000;
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/long.mp3", file).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    BASS_ChannelPlay(stream, false);
    Sleep(200);
    const auto start = std::chrono::steady_clock::now();
    BASS_Free();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(audio::LiveStreamCount(), 0u);
}

} // namespace
} // namespace veldo::testing
