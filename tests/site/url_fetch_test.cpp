// The runtime's URL-to-bytes service against a local server: whole bodies only, success
// statuses only, http and https only.
#include <gtest/gtest.h>

#include "platform/net/net_timeouts.h"
#include "platform/net/resume_policy.h"
#include "platform/net/url_fetch.h"
#include "support/file_bytes.h"
#include "support/local_server.h"
#include "support/temp_dir.h"

namespace veldo {
namespace {

class UrlFetch : public ::testing::Test {
  protected:
    void SetUp() override {
        SetNetTimeoutsForTesting({std::chrono::seconds(2), std::chrono::seconds(1)});
        SetResumePolicyForTesting({std::chrono::milliseconds(20), 5, std::chrono::seconds(2)});
        body.assign(300000, '\0');
        for (std::size_t i = 0; i < body.size(); ++i)
            body[i] = static_cast<char>(i * 7 % 251);
        auto& s = server.server();
        s.Get("/file.bin", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "application/octet-stream");
        });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        s.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/hostname");
        });
        s.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/file.bin");
        });
        s.Get("/short", [](const httplib::Request&, httplib::Response& res) {
            // Promises 1000 bytes and delivers 10.
            res.set_content_provider(1000, "application/octet-stream",
                                     [](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset > 0) return false;
                                         sink.write("0123456789", 10);
                                         return false;
                                     });
        });
        server.Start();
    }
    void TearDown() override {
        SetNetTimeoutsForTesting({});
        SetResumePolicyForTesting({});
    }

    testing::LocalServer server;
    testing::TempDir folder;
    std::string body;
};

TEST_F(UrlFetch, WholeBodyIntoMemoryAndIntoAFile) {
    EXPECT_EQ(FetchUrlBytes(server.Url("/file.bin")), body);
    EXPECT_EQ(FetchUrlBytes(server.Url("/moved")), body);
    const auto file = folder.path() / "out.bin";
    EXPECT_TRUE(FetchUrlToFile(server.Url("/file.bin"), file));
    EXPECT_EQ(testing::ReadFileBytes(file), body);
}

TEST_F(UrlFetch, ErrorStatusShortBodyAndSizeCapGiveNothing) {
    EXPECT_EQ(FetchUrlBytes(server.Url("/missing")), "");
    EXPECT_EQ(FetchUrlBytes(server.Url("/short")), "");
    EXPECT_EQ(FetchUrlBytes(server.Url("/file.bin"), body.size() - 1), "");
    EXPECT_EQ(FetchUrlBytes(server.Url("/file.bin"), body.size()), body);
    EXPECT_FALSE(FetchUrlToFile(server.Url("/missing"), folder.path() / "a"));
    EXPECT_FALSE(FetchUrlToFile(server.Url("/short"), folder.path() / "b"));
}

TEST_F(UrlFetch, OnlyHttpAndHttpsAreFetched) {
    const auto local = folder.path() / "local.txt";
    std::ofstream(local) << "secret";
    EXPECT_EQ(FetchUrlBytes("file://" + local.string()), "");
    EXPECT_EQ(FetchUrlBytes(local.string()), "");
    EXPECT_EQ(FetchUrlBytes("ftp://127.0.0.1/x"), "");
    EXPECT_EQ(FetchUrlBytes(server.Url("/to-file")), "");
    EXPECT_FALSE(FetchUrlToFile("file://" + local.string(), folder.path() / "c"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "c"));
    EXPECT_TRUE(IsHttpUrl("HTTP://x/"));
    EXPECT_TRUE(IsHttpUrl("https://x/"));
    EXPECT_FALSE(IsHttpUrl("httpx://x/"));
    EXPECT_FALSE(IsHttpUrl(""));
}

TEST_F(UrlFetch, UnreachableHostAndUnwritableFileFail) {
    EXPECT_EQ(FetchUrlBytes("http://127.0.0.1:1/x"), "");
    EXPECT_FALSE(FetchUrlToFile(server.Url("/file.bin"), folder.path() / "no" / "such" / "dir"));
}

} // namespace
} // namespace veldo
