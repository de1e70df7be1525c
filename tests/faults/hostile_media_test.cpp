// Media that lie about what they are: a 2 GB MP3 offered for download (made on the fly, never
// held in memory by either side), covers that are no picture or claim 50000 x 50000 pixels, and
// an MP3 address that answers 200 with an HTML page; covers that are bombs in every format, and
// listings and records far larger than any real page. Memory is measured as the growth of the
// peak resident size over the load.
#include <zlib.h>

#include "app/list_window.h"
#include "fault_fixture.h"
#include "platform/gui/cover_image.h"
#include "player/playback_control.h"

#include <future>

namespace veldo::testing {
namespace {

constexpr std::uint64_t kHugeMp3Bytes = std::uint64_t{2} << 30;
constexpr long kBoundedGrowthKb = 64 * 1024;

enum class Lie { HugeMp3, TextCover, GiantCover, HtmlMp3, ServedCover, HugeListing, HugeRecord };

class HostileMedia : public FaultTest {
  protected:
    Lie lie = Lie::HugeMp3;
    std::string coverBytes; // the cover of Lie::ServedCover

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
        const bool page = target.rfind("/sound/exploration", 0) == 0;
        const bool record = target.rfind("/sound/info", 0) == 0;
        if ((page && lie == Lie::HugeListing) || (record && lie == Lie::HugeRecord)) {
            // 63 MB of listing entries, or a good record followed by 60 MB of \u escapes, one
            // reused megabyte at a time.
            const std::string unit = page ? GoodAnswer(target).body : "\\u4e00";
            std::string chunk = page ? "" : GoodAnswer(target).body;
            while (chunk.size() < (std::size_t{1} << 20))
                chunk += unit;
            const int megabytes = page ? 63 : 60;
            if (!connection.Send(AnswerHead("200 OK", "text/html", chunk.size() * megabytes)))
                return true;
            for (int sent = 0; sent < megabytes && connection.Send(chunk); ++sent) {
            }
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

// A listing and a record far past any real page are refused like an empty answer, without
// reading the rest.
TEST_F(HostileMedia, ATextFarPastAnyRealPageIsRefusedInBoundedMemory) {
    for (const Lie text : {Lie::HugeListing, Lie::HugeRecord}) {
        lie = text;
        const long before = ProcStatusKb("VmRSS");
        ResetPeakRss();
        text == Lie::HugeListing ? OpenListWindow() : SearchFor("101");
        const long peakGrowth = ProcStatusKb("VmHWM") - before;
        std::printf("text of 60 MB or more: peak RSS growth %ld kB\n", peakGrowth);
        EXPECT_LT(peakGrowth, 100 * 1024);
    }
    EXPECT_EQ(listWindow->列表框1->count(), 0);
    EXPECT_EQ(currentSound.name, "");
}

// An .svgz bomb: a gzip-compressed SVG of `megabytes` megabytes, nearly all blanks.
std::string SvgzBomb(int megabytes) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::string out(std::size_t(megabytes) << 12, '\0'), blanks(std::size_t{1} << 20, ' ');
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    for (int piece = -1; piece <= megabytes; ++piece) {
        std::string in = piece < 0
                             ? "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
                         : piece < megabytes ? blanks
                                             : "</svg>";
        stream.next_in = reinterpret_cast<Bytef*>(in.data());
        stream.avail_in = static_cast<uInt>(in.size());
        deflate(&stream, piece < megabytes ? Z_NO_FLUSH : Z_FINISH);
    }
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}
std::string Saved(const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    image.save(&buffer, format);
    return bytes.toStdString();
}
std::string Patched(std::string bytes, std::size_t at, std::string_view with) {
    return bytes.replace(at, with.size(), with);
}
// One white pixel; its screen's and its image's size are at 6 and 24.
const std::string kGif("GIF87a\1\0\1\0\x80\0\0\xff\xff\xff\0\0\0,\0\0\0\0\1\0\1\0\0\2\2\x44\1\0;",
                       35);

struct CoverRow {
    const char* name;
    std::string (*bytes)();
    bool shows;
};
const CoverRow kCovers[] = {
    {"GoodPng", [] { return Saved("PNG"); }, true},
    {"GoodJpeg", [] { return Saved("JPEG"); }, true},
    {"GoodGif", [] { return kGif; }, true},
    {"SvgzBomb", [] { return SvgzBomb(256); }, false},
    {"SvgNamedPng",
     [] { return std::string("<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'/>"); },
     false},
    {"PngClaiming30000Square", [] { return PngClaiming(30000, 30000); }, false},
    {"JpegClaiming65535Square",
     [] {
         const std::string j = Saved("JPEG");
         return Patched(j, j.find("\xff\xc0") + 5, "\xff\xff\xff\xff");
     },
     false},
    {"GifClaiming65535Square",
     [] { return Patched(Patched(kGif, 6, "\xff\xff\xff\xff"), 24, "\xff\xff\xff\xff"); }, false},
};

class HostileCover : public HostileMedia, public ::testing::WithParamInterface<CoverRow> {};

// Only a raster cover within the limits shows, at once and in bounded memory; worker threads
// decoding the same bytes side by side (as the site's fetches do) agree with the window.
TEST_P(HostileCover, OnlyARasterCoverWithinTheLimitsShows) {
    lie = Lie::ServedCover;
    coverBytes = GetParam().bytes();
    const long before = ProcStatusKb("VmRSS");
    ResetPeakRss();
    const long long ms = Timed([this] {
        SearchFor("101");
        EventsUntil([this] { return window->图片框1->HasPicture() == GetParam().shows; }, 3000);
    });
    const long peakGrowth = ProcStatusKb("VmHWM") - before;
    EXPECT_LT(ms, 3000); // a second, with room for a loaded machine
    EXPECT_LT(peakGrowth, kBoundedGrowthKb);
    EXPECT_EQ(window->图片框1->HasPicture(), GetParam().shows);
    EXPECT_EQ(window->标签1->text().toStdString(), GoodName("101"));
    const QImage here = DecodeCoverImage(coverBytes);
    std::vector<std::future<QImage>> workers(2);
    for (auto& worker : workers)
        worker = std::async(std::launch::async, [this] { return DecodeCoverImage(coverBytes); });
    for (auto& worker : workers)
        EXPECT_EQ(worker.get(), here);
}
INSTANTIATE_TEST_SUITE_P(Covers, HostileCover, ::testing::ValuesIn(kCovers),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace veldo::testing
