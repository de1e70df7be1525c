// The music and the covers: deterministic, distinct, decodable, and painted without a
// QGuiApplication (this test program creates none).
#include "sample_site/catalogue.h"
#include "sample_site/cover_art.h"
#include "sample_site/media_cache.h"
#include "sample_site/music_synth.h"
#include "site_test_support.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <thread>

namespace veldo {
namespace {

double Rms(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(pcm[i]) * pcm[i];
    return std::sqrt(sum / double(to - from)) / 32768.0;
}

TEST(MusicSynthTest, GivesTheRequestedLengthInStereoWithHeadroom) {
    for (double seconds : {0.0, 0.5, 20.0, 33.3}) {
        const auto pcm = SynthesizeMusic(1000100, seconds);
        ASSERT_EQ(pcm.size(), static_cast<size_t>(seconds * 44100) * 2) << seconds;
        if (pcm.empty()) continue;
        int peak = 0;
        for (int16_t v : pcm)
            peak = std::max(peak, std::abs(int(v)));
        EXPECT_LE(peak, int(0.86 * 32767)) << seconds;
        EXPECT_GE(peak, int(0.80 * 32767)) << seconds;
    }
}

TEST(MusicSynthTest, IsAudibleThroughoutAndFadesAtBothEnds) {
    const auto pcm = SynthesizeMusic(1000117, 30);
    const size_t second = 44100 * 2;
    EXPECT_LT(Rms(pcm, 0, 200), 0.01);                       // starts from silence
    EXPECT_LT(Rms(pcm, pcm.size() - 200, pcm.size()), 0.01); // ends in silence
    for (int s = 2; s < 27; s += 3)
        EXPECT_GT(Rms(pcm, s * second, (s + 1) * second), 0.03) << "second " << s;
}

TEST(MusicSynthTest, SameSeedSameMusicOtherSeedOtherMusic) {
    const auto a = SynthesizeMusic(1000100, 5);
    EXPECT_EQ(a, SynthesizeMusic(1000100, 5));
    std::set<std::vector<int16_t>> distinct{a};
    for (uint32_t seed : {1000117u, 1000134u, 1000151u, 9000001u})
        distinct.insert(SynthesizeMusic(seed, 5));
    EXPECT_EQ(distinct.size(), 5u);
}

TEST(CoverArtTest, PaintsADistinctPngPerSeedWithoutAGuiApplication) {
    std::set<std::string> seen;
    for (uint32_t seed : {1u, 1000100u, 1000117u, 9000004u}) {
        const std::string png = PaintCoverPng(seed);
        ASSERT_EQ(png.rfind("\x89PNG\r\n\x1a\n", 0), 0u) << seed;
        EXPECT_EQ(png, PaintCoverPng(seed));
        seen.insert(png);
        QImage image;
        ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(png.data()),
                                       static_cast<int>(png.size()), "PNG"));
        EXPECT_EQ(image.size(), QSize(300, 300));
        std::set<QRgb> colours;
        for (int y = 0; y < 300; y += 10)
            for (int x = 0; x < 300; x += 10)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 20u) << "art, not a flat fill";
    }
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(PaintCoverPng(5, 64))).width(), 64);
}

TEST(MediaCacheTest, Mp3DecodesToTheCataloguedLength) {
    MediaCache cache;
    const SampleSound& sound = FaultySounds().front(); // 20 s: quick to make
    const auto mp3 = cache.Mp3(sound);
    ASSERT_TRUE(mp3);
    EXPECT_EQ(cache.Mp3(sound), mp3) << "made once, then served from the cache";
    const auto decoded = testing::DecodeMp3(*mp3);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.rate, 44100);
    EXPECT_EQ(decoded.channels, 2);
    EXPECT_NEAR(double(decoded.frames) / 44100, sound.durationSeconds, 0.05);
    EXPECT_GT(decoded.rms, 0.05);
    // 128 kbit/s constant rate.
    EXPECT_NEAR(double(mp3->size()), sound.durationSeconds * 16000.0, 4000.0);
}

TEST(MediaCacheTest, ConcurrentFirstRequestsShareOneResult) {
    MediaCache cache;
    const SampleSound& sound = FaultySounds()[1];
    std::vector<MediaCache::Bytes> results(4);
    std::vector<std::thread> threads;
    for (size_t k = 0; k < results.size(); ++k)
        threads.emplace_back(
            [&, k] { results[k] = k % 2 ? cache.Mp3(sound) : cache.Cover(sound); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(results[0], results[2]);
    EXPECT_EQ(results[1], results[3]);
    EXPECT_FALSE(results[1]->empty());
}

} // namespace
} // namespace veldo
