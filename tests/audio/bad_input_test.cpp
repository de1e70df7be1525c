// Addresses that give no sound: each gives 0 (or a stream that ends cleanly), never a crash
// or a hang, and a readable error code.
#include <random>

#include "engine_fixture.h"

namespace veldo::testing {
namespace {

class BadInputTest : public EngineTest {
  protected:
    void SetUp() override { OpenDevice(true); }
};

TEST_F(BadInputTest, NotFoundGivesZeroAndFileOpenError) {
    server_.Start(); // no handler: every path is 404
    EXPECT_EQ(BASS_StreamCreateURL(server_.Url("/missing.mp3").c_str(), 0, 0, nullptr, nullptr),
              0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST_F(BadInputTest, HtmlPageGivesZeroAndFormatError) {
    std::string page = "<!DOCTYPE html><html><body>";
    for (int i = 0; i < 2000; ++i)
        page += "<p>not a sound, just a page</p>";
    page += "</body></html>";
    const std::string url = Serve("/page", {page, "text/html"});
    EXPECT_EQ(BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
}

TEST_F(BadInputTest, DeadPortGivesZero) {
    server_.Start();
    const std::string url = server_.Url("/a.mp3");
    server_.server().stop();
    ASSERT_TRUE(WaitUntil([&] { return !server_.server().is_running(); }));
    EXPECT_EQ(BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST_F(BadInputTest, RandomBytesGiveZeroOrACleanEnd) {
    std::mt19937 random(7);
    std::string noise(200000, '\0');
    for (auto& c : noise)
        c = char(random());
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/noise.mp3", {noise}).c_str(), 0, 0, nullptr, nullptr);
    if (stream != 0) {
        BASS_ChannelPlay(stream, false);
        EXPECT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
    } else {
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    }
}

TEST_F(BadInputTest, TruncatedMp3PlaysWhatArrivedAndEnds) {
    ServedFile file{Tone(440, 4.0)};
    file.truncateAt = file.body.size() / 2;
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/cut.mp3", file).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    BASS_ChannelPlay(stream, false);
    EXPECT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
    // Every try for the rest fails: it ends where it stopped, about half way, and keeps the
    // length its server announced, so the bar stops short.
    const double seconds =
        BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
    EXPECT_NEAR(seconds, 2.0, 0.2);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), QWORD(4 * kBytesPerSecond));
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), file.truncateAt);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), file.body.size());
}

TEST_F(BadInputTest, AServerThatSendsNothingTimesOut) {
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 1000);
    ServedFile file{Tone(440, 2.0)};
    file.pauseAfter = 0;
    file.pauseMs = 4000;
    const std::string url = Serve("/silent.mp3", file);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3500));
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 30000);
}

// Bytes that trickle in never trip the stall time-out, yet the caller is not held for longer
// than the connect and stall time-outs together.
TEST_F(BadInputTest, ATricklingServerGivesUpWithinTheTimeOuts) {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 500);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 1000);
    ServedFile file{Tone(440, 2.0)};
    file.bytesPerSecond = 400; // far too slow for half a second of sound in 1.5 s
    const std::string url = Serve("/trickle.mp3", file);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 10000);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 30000);
}

TEST_F(BadInputTest, OtherSchemesAndMissingAddressesAreRefused) {
    for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/a.mp3", "", "not a url"}) {
        EXPECT_EQ(BASS_StreamCreateURL(url, 0, 0, nullptr, nullptr), 0u) << url;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN) << url;
    }
    EXPECT_EQ(BASS_StreamCreateURL(nullptr, 0, 0, nullptr, nullptr), 0u);
}

// Every call on a handle that is not a stream fails with the handle error.
TEST_F(BadInputTest, BadHandlesFailEveryCall) {
    float bins[128];
    for (DWORD handle : {0u, 1u, 12345u}) {
        EXPECT_FALSE(BASS_ChannelPlay(handle, false));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
        EXPECT_FALSE(BASS_ChannelPause(handle));
        EXPECT_FALSE(BASS_ChannelStop(handle));
        EXPECT_EQ(BASS_ChannelIsActive(handle), BASS_ACTIVE_STOPPED);
        EXPECT_EQ(BASS_ChannelGetLength(handle, BASS_POS_BYTE), QWORD(-1));
        EXPECT_EQ(BASS_ChannelGetPosition(handle, BASS_POS_BYTE), QWORD(-1));
        EXPECT_LT(BASS_ChannelBytes2Seconds(handle, 176400), 0.0);
        EXPECT_EQ(BASS_ChannelGetData(handle, bins, BASS_DATA_FFT256), DWORD(-1));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
}

} // namespace
} // namespace veldo::testing
