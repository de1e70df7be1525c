// Real-world MP3s played end to end and compared with mpg123's decode of the same file: every
// MPEG rate from 8 to 48 kHz, Layer II, a big ID3 tag, junk before the first frame, no header,
// a rate change mid-stream; served by nginx (with a Content-Length) or chunked (without one).
#include <algorithm>
#include <cmath>

#include "engine_fixture.h"
#include "support/mp3_variety.h"
#include "support/nginx_server.h"
#include "support/pcm_analysis.h"
#include "support/skip_or_fail.h"

namespace veldo::testing {
namespace {

class FormatVarietyTest : public EngineTest {};

// What came out of the speaker for each file: its length to the millisecond (nothing lost at
// the end, nothing added), the position at the end equal to the length, and for a steady tone
// its pitch to 10 ppm and no spurious line above -90 dB (or, where the codec itself leaves
// louder ones, none louder than in mpg123's decode resampled by sox).
TEST_F(FormatVarietyTest, EveryFormatSoundsLikeMpg123sDecodeOverNginx) {
    const Mp3Variety& variety = TheMp3Variety();
    if (!variety.missingTool.empty() || NginxServer::Program().empty())
        VELDO_SKIP_OR_FAIL("needs sox, lame, twolame, ffmpeg, mpg123 and nginx "
                           "(bash scripts/install-deps)");
    NginxServer nginx(variety.folder);
    for (const VarietyFile& file : variety.files) {
        SCOPED_TRACE(file.name);
        // Fast, yet slow enough that the decoder never falls behind: a gap would be heard.
        OpenPacedDevice(10);
        const HSTREAM stream =
            BASS_StreamCreateURL(nginx.Url("/" + file.name).c_str(), 0, 0, nullptr, nullptr);
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        ASSERT_TRUE(BASS_ChannelPlay(stream, false));
        ASSERT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
        const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        EXPECT_EQ(length, QWORD(file.referenceFrames) * 2 * file.channels);
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, length), file.referenceSeconds, 0.001);
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), length);
        BASS_Free(); // closes the speaker file

        const auto heard = AudibleLeftChannel(ReadPcmFile(Speaker()), 2);
        EXPECT_NEAR(double(heard.size()) / 44100, file.referenceAudibleSeconds, 0.001);
        if (!file.steadyTone) continue;
        const ToneMeasure tone = MeasureTone(heard, 44100, 44100 / 5);
        EXPECT_NEAR(tone.frequency / kVarietyToneHz - 1, 0, 10e-6) << tone.frequency << " Hz";
        // Layer II leaves lines of its own (twolame's files: -58 dB): those are not ours.
        EXPECT_LT(tone.spuriousDb, std::max(-90.0, file.referenceSpuriousDb + 2))
            << "mpg123 + sox: " << file.referenceSpuriousDb << " dB";
    }
}

// Without a Content-Length and without a header, nothing tells the length until the whole file
// is in: it is unknown (-1, which the player shows as 00:00 with an empty bar), then exact,
// counted from the frames as they arrived while the decoder still waits for the device.
TEST_F(FormatVarietyTest, UntaggedChunkedFileHasAnUnknownLengthUntilItHasArrived) {
    OpenDevice(true);
    Mp3Settings untagged; // as `lame -t` writes it: no Xing/Info frame
    untagged.lameTag = false;
    ServedFile file{Tone(1450, 5.0, untagged)};
    file.chunked = true;
    file.bytesPerSecond = file.body.size() * 2 / 3; // 1.5 s for 5 s of sound
    const HSTREAM stream =
        BASS_StreamCreateURL(Serve("/u.mp3", file).c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), QWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    ASSERT_TRUE(
        WaitUntil([&] { return BASS_ChannelGetLength(stream, BASS_POS_BYTE) != QWORD(-1); }));
    const QWORD arrived = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    // 1.5 s of sound fill the device's ring; the rest is not decoded before playing.
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, arrived), 5.0, 0.06);
    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    ASSERT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), arrived);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), arrived);
}

} // namespace
} // namespace veldo::testing
