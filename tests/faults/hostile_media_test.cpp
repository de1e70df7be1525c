// Media that lie about what they are: a 2 GB MP3 offered for download (made on the fly, never
// held in memory by either side), an MP3 behind a 256 MB ID3 tag, covers that are no picture or
// claim 50000 x 50000 pixels, and an MP3 address that answers 200 with an HTML page. Memory is
// measured as the growth of the peak resident size over the load.
#include "fault_fixture.h"
#include "player/playback_control.h"

namespace veldo::testing {
namespace {

constexpr std::uint64_t kHugeMp3Bytes = std::uint64_t{2} << 30;
constexpr long kBoundedGrowthKb = 64 * 1024;

enum class Lie { HugeMp3, TextCover, GiantCover, HtmlMp3, GiantId3Tag };

// The largest ID3v2 tag there can be (its size has 28 bits), header included: 256 MB.
constexpr std::uint64_t kGiantTagBytes = 10 + (std::uint64_t{1} << 28) - 1;

class HostileMedia : public FaultTest {
  protected:
    Lie lie = Lie::HugeMp3;

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

} // namespace
} // namespace veldo::testing
