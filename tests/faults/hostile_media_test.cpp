// Media that lie about what they are: a 2 GB MP3 offered for download (made on the fly, never
// held in memory by either side), an MP3 behind a 256 MB ID3 tag, covers that are no picture or
// claim 50000 x 50000 pixels, and an MP3 address that answers 200 with an HTML page. Memory is
// measured as the growth of the peak resident size over the load.
#include <future>

#include "fault_fixture.h"
#include "platform/gui/cover_image.h"
#include "player/playback_control.h"

namespace veldo::testing {
namespace {

constexpr std::uint64_t kHugeMp3Bytes = std::uint64_t{2} << 30;
constexpr long kBoundedGrowthKb = 64 * 1024;

enum class Lie { HugeMp3, TextCover, GiantCover, HtmlMp3, ServedCover, HugeTexts, GiantId3Tag };

// The largest ID3v2 tag there can be (its size has 28 bits), header included: 256 MB.
constexpr std::uint64_t kGiantTagBytes = 10 + (std::uint64_t{1} << 28) - 1;

class HostileMedia : public FaultTest {
  protected:
    Lie lie = Lie::HugeMp3;
    std::string coverBytes; // served by Lie::ServedCover

    bool Misbehave(const std::string& target, FaultConnection& connection) override {
        const bool media = target.rfind("/media/", 0) == 0;
        const bool cover = target.rfind("/covers/", 0) == 0;
        if (media && lie == Lie::HugeMp3) {
            // The good MP3's frames over and over, one reused chunk at a time.
            if (!connection.Send(AnswerHead("200 OK", "audio/mpeg", kHugeMp3Bytes))) return true;
            std::string chunk;
            while (chunk.size() < (std::size_t{1} << 20))
                chunk += ToneMp3();
            chunk.resize(std::size_t{1} << 20);
            for (std::uint64_t sent = 0; sent < kHugeMp3Bytes; sent += chunk.size())
                if (!connection.Send(chunk)) break;
            return true;
        }
        if (cover && lie == Lie::TextCover) {
            const std::string page = "<html><body>Forbidden</body></html>";
            connection.Send(AnswerHead("200 OK", "image/png", page.size()) + page);
            return true;
        }
        if (cover && lie == Lie::GiantCover) {
            const std::string png = PngClaiming(50000, 50000);
            connection.Send(AnswerHead("200 OK", "image/png", png.size()) + png);
            return true;
        }
        if (cover && lie == Lie::ServedCover) {
            connection.Send(AnswerHead("200 OK", "image/png", coverBytes.size()) + coverBytes);
            return true;
        }
        const bool listing = target.rfind("/sound/exploration", 0) == 0;
        if (lie == Lie::HugeTexts && (listing || target.rfind("/sound/info", 0) == 0)) {
            // The good answer padded with \u escapes to a megabyte, 63 or 60 times over.
            std::string chunk = GoodAnswer(target).body;
            while (chunk.size() < (std::size_t{1} << 20))
                chunk += "\\u4e00";
            const int megabytes = listing ? 63 : 60;
            connection.Send(AnswerHead("200 OK", "text/html", chunk.size() * megabytes));
            for (int sent = 0; sent < megabytes && connection.Send(chunk);)
                ++sent;
            return true;
        }
        if (media && lie == Lie::GiantId3Tag) {
            const std::string zeros(std::size_t{1} << 20, '\0');
            const std::string header("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10);
            bool sent = connection.Send(
                AnswerHead("200 OK", "audio/mpeg", kGiantTagBytes + ToneMp3().size()) + header);
            for (std::uint64_t left = kGiantTagBytes - 10; sent && left > 0;) {
                const std::size_t n = std::min<std::uint64_t>(left, zeros.size());
                sent = connection.Send(std::string_view(zeros).substr(0, n));
                left -= n;
            }
            if (sent) connection.Send(ToneMp3());
            return true;
        }
        if (media && lie == Lie::HtmlMp3) {
            const std::string page = "<html><body><form>Please log in</form></body></html>";
            connection.Send(AnswerHead("200 OK", "text/html", page.size()) + page);
            return true;
        }
        return false;
    }
};

TEST_F(HostileMedia, ATwoGigabyteDownloadIsStreamedToDiskInBoundedMemory) {
    lie = Lie::HugeMp3;
    SearchFor("101");
    ASSERT_EQ(currentSound.name, GoodName("101"));
    const long before = ProcStatusKb("VmRSS");
    ResetPeakRss();
    window->图形按钮down->click();
    ASSERT_TRUE(EventsUntil([this] { return DownloadButtonShown() && !messages.empty(); }, 600000));
    const long peakGrowth = ProcStatusKb("VmHWM") - before;
    RecordProperty("PeakRssGrowthKb", std::to_string(peakGrowth));
    std::printf("2 GB download: peak RSS growth %ld kB\n", peakGrowth);
    EXPECT_LT(peakGrowth, kBoundedGrowthKb);

    std::error_code error;
    EXPECT_EQ(std::filesystem::file_size(SavedFile("101"), error), kHugeMp3Bytes);
    std::ifstream saved(SavedFile("101"), std::ios::binary);
    std::string head(ToneMp3().size(), '\0');
    saved.read(head.data(), static_cast<std::streamsize>(head.size()));
    EXPECT_EQ(head, ToneMp3());
    EXPECT_TRUE(OtherFilesInMusics(GoodName("101") + ".mp3").empty());
    std::filesystem::remove(SavedFile("101"), error);
}

// Playing the same 2 GB MP3: the stream holds a bounded window of it, not all of it (on loopback
// the download runs far ahead of playback, so an unbounded buffer would grow by hundreds of MB
// within these 3 s).
TEST_F(HostileMedia, ATwoGigabyteMp3PlaysInBoundedMemory) {
    lie = Lie::HugeMp3;
    SearchFor("101");
    const long before = ProcStatusKb("VmRSS");
    ResetPeakRss();
    const long long ms = Timed([this] { window->图形按钮play->click(); });
    EXPECT_LT(ms, kHandlerBoundMs);
    ProcessEventsFor(3000);
    const long peakGrowth = ProcStatusKb("VmHWM") - before;
    std::printf("2 GB MP3 played for 3 s: peak RSS growth %ld kB\n", peakGrowth);
    ResetPlayer();
    EXPECT_LT(peakGrowth, kBoundedGrowthKb);
}

// A 256 MB ID3 tag before a 3 s sound: the tag passes through without being kept, and the
// sound plays.
TEST_F(HostileMedia, AGiantId3TagIsSkippedInBoundedMemory) {
    lie = Lie::GiantId3Tag;
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 10000); // the wait for 256 MB on a loaded machine
    SearchFor("101");
    const long before = ProcStatusKb("VmRSS");
    ResetPeakRss();
    const long long ms = Timed([this] { window->图形按钮play->click(); });
    const long peakGrowth = ProcStatusKb("VmHWM") - before;
    std::printf("256 MB ID3 tag: play took %lld ms, peak RSS growth %ld kB\n", ms, peakGrowth);
    EXPECT_LT(ms, kHandlerBoundMs);
    EXPECT_LT(peakGrowth, kBoundedGrowthKb);
    EXPECT_EQ(BASS_ChannelIsActive(currentStream), BASS_ACTIVE_PLAYING);
}

TEST_F(HostileMedia, ACoverThatIsNoPictureLeavesTheBoxEmptyAndTheSoundPlayable) {
    lie = Lie::TextCover;
    const long long ms = Timed([this] { SearchFor("101"); });
    EXPECT_LT(ms, kHandlerBoundMs);
    QApplication::processEvents();
    EXPECT_FALSE(window->图片框1->HasPicture());
    EXPECT_EQ(window->标签1->text().toStdString(), GoodName("101"));
    window->图形按钮play->click();
    EXPECT_EQ(BASS_ChannelIsActive(currentStream), BASS_ACTIVE_PLAYING);
    ProcessEventsFor(300); // paints the empty box and runs the ticks
}

TEST_F(HostileMedia, ACoverClaimingFiftyThousandPixelsSquareIsRefusedInBoundedMemory) {
    lie = Lie::GiantCover;
    const long before = ProcStatusKb("VmRSS");
    ResetPeakRss();
    const long long ms = Timed([this] { SearchFor("101"); });
    ProcessEventsFor(300); // the box paints whatever it holds
    const long peakGrowth = ProcStatusKb("VmHWM") - before;
    std::printf("50000 x 50000 cover: peak RSS growth %ld kB\n", peakGrowth);
    EXPECT_LT(ms, kHandlerBoundMs);
    EXPECT_LT(peakGrowth, kBoundedGrowthKb);
    EXPECT_FALSE(window->图片框1->HasPicture());
    EXPECT_EQ(window->标签1->text().toStdString(), GoodName("101"));
}

TEST_F(HostileMedia, AnHtmlPageServedAsTheMp3OpensNoStream) {
    lie = Lie::HtmlMp3;
    SearchFor("101");
    ASSERT_FALSE(currentSound.source.empty());
    const long long ms = Timed([this] { window->图形按钮play->click(); });
    EXPECT_LT(ms, kHandlerBoundMs);
    EXPECT_EQ(currentStream, 0u);
    ProcessEventsFor(1200); // progress and spectrum ticks on no stream
    EXPECT_EQ(window->进度条->Position(), 0);
}

// A listing and a record far past any real page are refused like empty answers.
TEST_F(HostileMedia, ATextFarPastAnyRealPageIsRefusedInBoundedMemory) {
    lie = Lie::HugeTexts;
    const long before = ProcStatusKb("VmRSS");
    ResetPeakRss();
    OpenListWindow();
    SearchFor("101");
    EXPECT_LT(ProcStatusKb("VmHWM") - before, 100 * 1024);
    EXPECT_EQ(listWindow->列表框1->count(), 0);
    EXPECT_EQ(currentSound.name, "");
}

// Each file of tests/faults/covers, served as the PNG cover of sound 101: those named Good*
// show, the others (bombs, lies about the format or the size) leave the box empty.
class HostileCover : public HostileMedia, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostileCover, OnlyARasterCoverWithinTheLimitsShows) {
    lie = Lie::ServedCover;
    coverBytes = ReadFileBytes(std::filesystem::path(VELDO_COVERS) / GetParam());
    ASSERT_FALSE(coverBytes.empty());
    const bool good = GetParam().starts_with("Good");
    const long before = ProcStatusKb("VmRSS");
    ResetPeakRss();
    const long long ms = Timed([&] {
        SearchFor("101");
        EventsUntil([&] { return window->图片框1->HasPicture() == good; }, 3000);
    });
    EXPECT_LT(ms, 3000); // a second, with room for a loaded machine
    EXPECT_LT(ProcStatusKb("VmHWM") - before, kBoundedGrowthKb);
    EXPECT_EQ(window->图片框1->HasPicture(), good);
    // A worker decoding the same bytes meanwhile (as the site's fetches do) agrees.
    auto first = std::async(std::launch::async, [this] { return DecodeCoverImage(coverBytes); });
    EXPECT_EQ(DecodeCoverImage(coverBytes), first.get());
}
INSTANTIATE_TEST_SUITE_P(Covers, HostileCover,
                         ::testing::Values("GoodPng", "GoodJpeg", "GoodGif", "SvgzBomb",
                                           "SvgNamedPng", "PngClaiming30000Square",
                                           "JpegClaiming65000Square", "GifClaiming65535Square",
                                           "GifScreen49416Wide"),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace veldo::testing
