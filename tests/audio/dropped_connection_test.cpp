// A 20 s sound over a bad link (a FaultProxy in front of nginx, or a FaultServer): cuts and
// stalls are resumed where they stopped, and a cut that cannot be resumed ends there.
#include <sys/wait.h>

#include <fstream>

#include "engine_fixture.h"
#include "platform/audio/url_fetcher.h"
#include "support/child_process.h"
#include "support/fault_proxy.h"
#include "support/fault_server.h"
#include "support/mp3_variety.h"
#include "support/nginx_server.h"
#include "support/pcm_analysis.h"

namespace veldo::testing {
namespace {

// Interleaved stereo without its silent frames: those the device got while the stream was
// stalled, and the few the sound itself has.
std::vector<int16_t> NonSilentFrames(const std::vector<int16_t>& pcm) {
    std::vector<int16_t> kept;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2)
        if (pcm[i] != 0 || pcm[i + 1] != 0) kept.insert(kept.end(), {pcm[i], pcm[i + 1]});
    return kept;
}

class DroppedConnectionTest : public EngineTest {
  protected:
    void SetUp() override {
        if (NginxServer::Program().empty()) FAIL() << "needs nginx (bash scripts/install-deps)";
        std::ofstream(folder_.path() / "twenty.mp3", std::ios::binary) << Sound();
        nginx_ = std::make_unique<NginxServer>(folder_.path());
        upstream_ = nginx_->Url("").substr(std::string("http://").size());
        reference_ = Mpg123Decode(folder_.path() / "twenty.mp3");
    }
    void TearDown() override {
        EngineTest::TearDown();
        SetResumePolicyForTesting({});
        BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 30000); // the default again
    }

    static const std::string& Sound() {
        static const std::string mp3 = Tone(1450, 20.0);
        return mp3;
    }
    HSTREAM PlayToTheEnd(const std::string& url) {
        const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
        EXPECT_NE(stream, 0u) << BASS_ErrorGetCode();
        EXPECT_TRUE(BASS_ChannelPlay(stream, false));
        EXPECT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; },
                              std::chrono::seconds(60)));
        return stream;
    }

    std::unique_ptr<NginxServer> nginx_;
    std::string upstream_; // nginx's host:port
    std::vector<int16_t> reference_;
};

// A connection cut every 64 kB, and one stalled for 3 s (beyond the 1 s read limit).
TEST_F(DroppedConnectionTest, ACutOrAStalledConnectionIsResumedAndTheDeviceGetsMpg123sDecode) {
    for (const LinkFaults& faults :
         {LinkFaults{.cutAfterBytes = 64 * 1024},
          LinkFaults{.stallAtByte = 150000, .stallFor = std::chrono::seconds(3)}}) {
        SCOPED_TRACE(faults.cutAfterBytes ? "cut" : "stall");
        FaultProxy proxy(upstream_, faults);
        OpenPacedDevice(10);
        BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 1000);
        const HSTREAM stream = PlayToTheEnd(proxy.Url("/twenty.mp3"));
        const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        EXPECT_EQ(length, reference_.size() * 2);
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), length);
        EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), Sound().size());
        EXPECT_EQ(proxy.Connections(), faults.cutAfterBytes ? 5 : 2);
        BASS_Free(); // closes the speaker file

        // Nothing skipped, repeated or changed: the same samples, to within one MP3 frame.
        const std::vector<int16_t> heard = NonSilentFrames(ReadPcmFile(Speaker()));
        const std::vector<int16_t> expected = NonSilentFrames(reference_);
        EXPECT_NEAR(double(heard.size()), double(expected.size()), 1152 * 2);
        const size_t common = std::min(heard.size(), expected.size());
        EXPECT_TRUE(std::equal(heard.begin(), heard.begin() + long(common), expected.begin()));
    }
}

// A server that ignores ranges sends the whole file again: what the stream has is skipped,
// unless the file has changed meanwhile (another ETag), which is never spliced.
TEST_F(DroppedConnectionTest, AWholeAnswerToARangeIsReadFromTheOffsetUnlessTheFileChanged) {
    OpenDevice(true);
    for (const bool changed : {false, true}) {
        SCOPED_TRACE(changed ? "changed" : "same file");
        std::atomic<int> answers{0};
        FaultServer server([&](const std::string&, FaultConnection& connection) {
            const bool first = answers.fetch_add(1) == 0;
            const std::string etag = first || !changed ? "ETag: \"1\"\r\n" : "ETag: \"2\"\r\n";
            connection.Send(AnswerHead("200 OK", "audio/mpeg", Sound().size(), etag) +
                            Sound().substr(0, first ? 100000 : std::string::npos));
        });
        const HSTREAM stream = PlayToTheEnd(server.Url("/twenty.mp3"));
        const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        EXPECT_EQ(length, reference_.size() * 2);
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE) < length, changed);
        EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD),
                  changed ? 100000u : Sound().size());
    }
}

// Cut after 100 kB (6.25 s of the sound), then every connection is refused: it ends where it
// stopped and keeps its 20 s, and veldo-play prints where it stopped and says it was cut.
TEST_F(DroppedConnectionTest, ACutThatCannotBeResumedEndsShortKeepingItsLength) {
    const LinkFaults faults{.cutAfterBytes = 100000, .answeredConnections = 1};
    auto proxy = std::make_unique<FaultProxy>(upstream_, faults);
    SetResumePolicyForTesting({.firstPause = std::chrono::milliseconds(20)});
    OpenDevice(true);
    const HSTREAM stream = PlayToTheEnd(proxy->Url("/twenty.mp3"));
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), reference_.size() * 2);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE)),
                6.25, 0.3);
    // The proxy counts the answer's head too.
    EXPECT_NEAR(double(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD)), 100000, 1000);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), Sound().size());
    EXPECT_EQ(proxy->Connections(), 1 + 5);

    proxy = std::make_unique<FaultProxy>(upstream_, faults);
    ChildProcess player;
    ASSERT_TRUE(
        player.Start({"/bin/sh", "-c",
                      std::string(VELDO_PLAY) + " --quiet " + proxy->Url("/twenty.mp3") + " 2>&1"},
                     true));
    std::string printed;
    char buffer[256];
    for (long got; (got = player.Read(buffer, sizeof buffer)) > 0;)
        printed.append(buffer, size_t(got));
    int status = 0;
    ASSERT_TRUE(player.WaitForEnd(std::chrono::seconds(30), status));
    EXPECT_NE(printed.find("stopped  00:06 / 00:20"), std::string::npos) << printed;
    EXPECT_NE(printed.find("the stream was cut"), std::string::npos) << printed;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

} // namespace
} // namespace veldo::testing
