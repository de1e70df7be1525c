// The sample site over HTTP: what each host serves, and each misbehaving mode.
#include "sample_site/sample_site.h"
#include "sample_site/site_pages.h"
#include "site_test_support.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace veldo {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Between;
using testing::DecodeJsonEscapes;

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class SampleSiteTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(site_.Start()); }

    httplib::Result GetPage(const std::string& target) {
        httplib::Client client("127.0.0.1", site_.pagePort());
        client.set_read_timeout(120);
        return client.Get(target);
    }
    httplib::Result GetInfo(const std::string& target) {
        httplib::Client client("127.0.0.1", site_.infoPort());
        return client.Get(target);
    }

    SampleSite site_;
};

TEST_F(SampleSiteTest, ListsFifteenSoundsAPageOverThreePages) {
    std::vector<std::string> ids;
    for (int page = 1; page <= 4; ++page) {
        const auto res =
            GetPage("/sound/exploration?page=" + std::to_string(page) + "&per-page=15");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
        const auto entries = testing::AllBetween(
            res->body, " <h3 class=\"voice-name\"><a href=\"/sound/", "</a></h3>");
        EXPECT_EQ(entries.size(), page <= 3 ? 15u : 0u) << "page " << page;
        for (const auto& e : entries)
            ids.push_back(e.substr(0, e.find('"')));
    }
    ASSERT_EQ(ids.size(), site_.catalogue().size());
    for (size_t k = 0; k < ids.size(); ++k)
        EXPECT_EQ(ids[k], site_.catalogue()[k].id);
    EXPECT_EQ(site_.PageRequests().size(), 4u);
    EXPECT_EQ(site_.PageRequests().front(), "/sound/exploration?page=1&per-page=15");
}

TEST_F(SampleSiteTest, OddPageQueriesStillGiveAPage) {
    for (const char* target : {"/sound/exploration", "/sound/exploration?page=abc&per-page=15",
                               "/sound/exploration?page=-3&per-page=999999999999"}) {
        const auto res = GetPage(target);
        ASSERT_TRUE(res) << target;
        EXPECT_EQ(res->status, 200) << target;
        EXPECT_EQ(Between(res->body, "voice-name\"><a href=\"/sound/", "\""),
                  site_.catalogue()[0].id)
            << target;
    }
}

TEST_F(SampleSiteTest, InfoRecordPointsAtFilesTheSiteServes) {
    const SampleSound& sound = site_.catalogue()[3];
    const auto res = GetInfo("/sound/info?sound_id=" + sound.id);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "application/json");
    const std::string text = DecodeJsonEscapes(res->body);
    EXPECT_EQ(Between(text, R"("name":")", R"(",")"), sound.name);
    const std::string pic = Between(text, R"("pic":")", R"(",")");
    const std::string source = Between(text, R"(","source":")", R"(",")");
    const std::string prefix = "http://" + site_.PageHost();
    ASSERT_EQ(pic.rfind(prefix, 0), 0u);
    ASSERT_EQ(source.rfind(prefix, 0), 0u);

    const auto cover = GetPage(pic.substr(prefix.size()));
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->status, 200);
    EXPECT_EQ(cover->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(cover->body.rfind("\x89PNG", 0), 0u);

    const auto page = GetPage("/sound/" + sound.id);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find(source), std::string::npos);
    EXPECT_EQ(site_.InfoRequests(), std::vector<std::string>{"/sound/info?sound_id=" + sound.id});
}

TEST_F(SampleSiteTest, UnknownOrMalformedIdsAnswerAsAnApiDoes) {
    const struct {
        std::string target;
        int status;
    } cases[] = {
        {"/sound/info?sound_id=1", 404},
        {"/sound/info?sound_id=99999999", 404},
        {"/sound/info?sound_id=xxxx", 400},
        {"/sound/info?sound_id=", 400},
        {"/sound/info", 400},
        {"/sound/info?sound_id=1000100?a=b", 400},
        {"/sound/info?sound_id=1000100%00", 400},
        {"/nothing/here", 404},
    };
    for (const auto& c : cases) {
        const auto res = GetInfo(c.target);
        ASSERT_TRUE(res) << c.target;
        EXPECT_EQ(res->status, c.status) << c.target;
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/json") << c.target;
        EXPECT_EQ(res->body.rfind(R"({"success":false,"code":)" + std::to_string(c.status), 0), 0u)
            << res->body;
        EXPECT_EQ(Between(DecodeJsonEscapes(res->body), R"("name":")", R"(",")"), "");
    }
    for (const char* target : {"/sound/1", "/media/1.mp3", "/covers/1.png", "/covers/x.png",
                               "/sound/info?sound_id=1000100", "/../etc/passwd"}) {
        const auto res = GetPage(target);
        ASSERT_TRUE(res) << target;
        EXPECT_EQ(res->status, 404) << target;
        EXPECT_NE(res->body.find("<h1>404</h1>"), std::string::npos) << target;
    }
}

TEST_F(SampleSiteTest, ServesTheMp3WholeWithItsLength) {
    const SampleSound& sound = site_.catalogue()[1];
    const auto res = GetPage("/media/" + sound.id + ".mp3");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "audio/mpeg");
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(res->body.size()));
    const auto decoded = testing::DecodeMp3(res->body);
    ASSERT_TRUE(decoded.ok);
    EXPECT_NEAR(double(decoded.frames) / decoded.rate, sound.durationSeconds, 0.05);
    EXPECT_GT(decoded.rms, 0.05);
}

TEST_F(SampleSiteTest, DelayAndStatusParametersWorkOnEveryAddress) {
    auto start = Clock::now();
    auto res = GetInfo("/sound/info?sound_id=" + site_.catalogue()[0].id + "&delay_ms=400");
    ASSERT_TRUE(res);
    EXPECT_GE(MillisecondsSince(start), 400);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->body.find("\"success\":true"), std::string::npos);

    res = GetPage("/sound/exploration?page=1&status=500&per-page=15");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 500);
    EXPECT_EQ(res->body.find("voice-name"), std::string::npos);

    res = GetInfo("/sound/info?sound_id=" + site_.catalogue()[0].id + "&status=503");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503);
    EXPECT_EQ(res->body.rfind(R"({"success":false,"code":503)", 0), 0u);

    // Out-of-range values are ignored rather than obeyed.
    start = Clock::now();
    res = GetPage("/sound/exploration?status=200&delay_ms=99999999");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_LT(MillisecondsSince(start), 5000);
}

TEST_F(SampleSiteTest, TruncatedMp3PromisesMoreThanItSends) {
    for (const std::string target : {"/media/9000001.mp3", "/media/1000100.mp3?fault=truncate"}) {
        const auto raw = testing::RawGet(site_.pagePort(), target);
        ASSERT_TRUE(raw.connected);
        EXPECT_NE(raw.head.find("200 OK"), std::string::npos) << target;
        ASSERT_GT(raw.contentLength, 0) << target;
        EXPECT_EQ(raw.body.size(), static_cast<size_t>(raw.contentLength / 2)) << target;
    }
    // The whole file is what the truncated one promised.
    const auto whole = GetPage("/media/1000100.mp3");
    ASSERT_TRUE(whole);
    EXPECT_EQ(testing::RawGet(site_.pagePort(), "/media/1000100.mp3?fault=truncate").contentLength,
              static_cast<long>(whole->body.size()));
}

TEST_F(SampleSiteTest, StallingMp3PausesThenCompletes) {
    const auto start = Clock::now();
    const auto raw = testing::RawGet(site_.pagePort(), "/media/9000002.mp3?stall_ms=700");
    EXPECT_GE(MillisecondsSince(start), 700);
    ASSERT_GT(raw.contentLength, 0);
    EXPECT_EQ(raw.body.size(), static_cast<size_t>(raw.contentLength));
    EXPECT_TRUE(testing::DecodeMp3(raw.body).ok);
}

TEST_F(SampleSiteTest, HtmlInsteadOfMp3AndMissingCover) {
    for (const char* target : {"/media/9000003.mp3", "/media/1000100.mp3?fault=html"}) {
        const auto res = GetPage(target);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << target;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_EQ(res->body.rfind("<!DOCTYPE html>", 0), 0u);
    }
    const auto cover = GetPage("/covers/9000004.png");
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->status, 404);
    // The hidden sounds have records like any other, and are not listed.
    const auto record = GetInfo("/sound/info?sound_id=9000004");
    ASSERT_TRUE(record);
    EXPECT_EQ(Between(DecodeJsonEscapes(record->body), R"("pic":")", R"(",")"),
              "http://" + site_.PageHost() + "/covers/9000004.png");
    const auto listing = GetPage("/sound/exploration?page=1&per-page=50");
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->body.find("900000"), std::string::npos);
}

TEST_F(SampleSiteTest, StopEndsADeliberateStallAtOnce) {
    auto pending = std::async(std::launch::async, [this] {
        return testing::RawGet(site_.pagePort(), "/sound/exploration?delay_ms=60000");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the request is waiting
    const auto start = Clock::now();
    site_.Stop();
    EXPECT_LT(MillisecondsSince(start), 3000);
    EXPECT_EQ(pending.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    site_.Stop(); // again: nothing to do
}

TEST(SampleSiteLifecycleTest, BusyPortFailsCleanlyAndTheSiteRestarts) {
    SampleSite first;
    ASSERT_TRUE(first.Start());
    SampleSite second;
    EXPECT_FALSE(second.Start(first.pagePort(), 0));
    EXPECT_FALSE(second.Start(0, first.infoPort()));
    EXPECT_EQ(second.pagePort(), 0);
    EXPECT_FALSE(first.Start()) << "already running";
    const int port = first.pagePort();
    first.Stop();
    ASSERT_TRUE(second.Start(port, 0)) << "the port is free again after Stop";
    second.PrepareInBackground(45); // Stop below waits for one sound at most, not for all
    httplib::Client client("127.0.0.1", port);
    const auto res = client.Get("/sound/exploration?page=2&per-page=15");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    const auto start = Clock::now();
    second.Stop();
    EXPECT_LT(MillisecondsSince(start), 30000);
}

} // namespace
} // namespace veldo
