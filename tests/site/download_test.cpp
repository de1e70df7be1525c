// Saving the current sound: exact bytes, replacement, a good file kept when the fetch fails or
// brings no MP3, the folder created, the right message, hostile and long names kept inside the
// folder, copies taken at the click, and resuming over a link that drops or stalls.
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <random>
#include <set>
#include <sys/resource.h>

#include "platform/net/resume_policy.h"
#include "platform/net/url_fetch.h"
#include "sample_site/site_pages.h"
#include "site/download.h"
#include "site/mp3_signature.h"
#include "site/musics_folder.h"
#include "site/sound_info.h"
#include "site_fixture.h"
#include "state/program_state.h"
#include "support/fault_proxy.h"
#include "support/fault_server.h"
#include "support/mp3_server.h"

namespace veldo {
namespace {

using testing::EventsUntil;
using testing::Gbk;
using testing::ReadFileBytes;

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

class Download : public testing::SiteTest {
  protected:
    // Clicks the button and waits for the message; gives the message.
    std::string ClickAndWait() {
        const auto before = messages.size();
        QTest::mouseClick(window->图形按钮down, Qt::LeftButton);
        EXPECT_TRUE(EventsUntil([&] { return messages.size() > before; }, 30000));
        return messages.size() > before ? messages.back() : "";
    }
    std::string Served(const SampleSound& sound) {
        return FetchUrlBytes("http://" + site.PageHost() + Mp3Path(sound));
    }
    // Short pauses and limits, so that a transfer that cannot finish gives up in seconds.
    void SetUp() override {
        SiteTest::SetUp();
        SetResumePolicyForTesting({std::chrono::milliseconds(20), 5, std::chrono::seconds(5)});
    }
    void TearDown() override {
        SiteTest::TearDown();
        SetResumePolicyForTesting({});
        SetUnannouncedBodyCapForTesting(0);
    }
    // `size` bytes: a served MP3's start, then random bytes that show any misplaced piece.
    std::string LargeMp3(std::size_t size) {
        std::string body = Served(Listed(0));
        std::mt19937 random(7);
        while (body.size() < size)
            body.push_back(static_cast<char>(random()));
        body.resize(size);
        return body;
    }
    std::filesystem::path Musics() const { return runDirectory.path() / "musics"; }
    std::filesystem::path Saved(const std::string& utf8Name) const {
        return Musics() / (utf8Name + ".mp3");
    }
    // Every entry under the run directory, as paths relative to it.
    std::vector<std::string> Tree() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(runDirectory.path()))
            found.push_back(entry.path().lexically_relative(runDirectory.path()).string());
        std::sort(found.begin(), found.end());
        return found;
    }
};

TEST_F(Download, SavesExactlyTheServedBytesIntoANewMusicsFolder) {
    const SampleSound& sound = Listed(0); // a Chinese name
    LoadSoundInfo(sound.id);
    ASSERT_FALSE(std::filesystem::exists(Musics()));
    QTest::mouseClick(window->图形按钮down, Qt::LeftButton);
    EXPECT_FALSE(window->图形按钮down->isVisibleTo(window)); // hidden while it runs
    ASSERT_TRUE(EventsUntil([this] { return !messages.empty(); }, 30000));
    EXPECT_EQ(messages, std::vector<std::string>{"完成"});
    EXPECT_TRUE(downButtonShownAtMessage);
    EXPECT_TRUE(window->图形按钮down->isVisibleTo(window));

    const std::string served = Served(sound);
    ASSERT_GT(served.size(), 100000u);
    EXPECT_TRUE(ReadFileBytes(Saved(sound.name)) == served);
    EXPECT_EQ(Tree(), (std::vector<std::string>{"musics", "musics/" + sound.name + ".mp3"}));

    // An ordinary file's permissions, not a private temporary file's.
    std::ofstream(Musics() / "plain") << "x";
    EXPECT_EQ(std::filesystem::status(Saved(sound.name)).permissions(),
              std::filesystem::status(Musics() / "plain").permissions());
}

TEST_F(Download, SavingAgainReplacesTheEarlierFile) {
    LoadSoundInfo(Listed(1).id);
    std::filesystem::create_directories(Musics());
    std::ofstream(Saved(Listed(1).name), std::ios::binary) << "an older file";
    EXPECT_EQ(ClickAndWait(), "完成");
    EXPECT_TRUE(ReadFileBytes(Saved(Listed(1).name)) == Served(Listed(1)));
    EXPECT_EQ(ClickAndWait(), "完成");
    EXPECT_TRUE(ReadFileBytes(Saved(Listed(1).name)) == Served(Listed(1)));
    EXPECT_EQ(Tree().size(), 2u);
}

TEST_F(Download, AFailedFetchKeepsTheGoodFileAndSaysSo) {
    LoadSoundInfo("9000001"); // the MP3 breaks off half way
    const std::string name = "Broken Tape 截断";
    ASSERT_EQ(currentSound.name, Gbk(name));
    std::filesystem::create_directories(Musics());
    std::ofstream(Saved(name), std::ios::binary) << "a good copy";
    EXPECT_EQ(ClickAndWait(), "下载失败");
    EXPECT_TRUE(downButtonShownAtMessage);
    EXPECT_TRUE(ReadFileBytes(Saved(name)) == "a good copy");
    EXPECT_EQ(Tree().size(), 2u); // no partial file left behind

    currentSound.source = "http://" + site.PageHost() + Mp3Path(Listed(0)) + "?status=503";
    EXPECT_EQ(ClickAndWait(), "下载失败");
    EXPECT_TRUE(ReadFileBytes(Saved(name)) == "a good copy");
    EXPECT_EQ(Tree().size(), 2u);
}

TEST_F(Download, OnlyAnMp3ReplacesAGoodFile) {
    std::mt19937 random(1);
    std::string noise(2 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const std::vector<std::pair<std::string, std::string>> junk = {
        {"html", "<html><body>Not Found</body></html>\n\n\n"}, {"empty", ""}, {"noise", noise}};
    testing::LocalServer server;
    for (const auto& [what, body] : junk)
        server.server().Get("/" + what, [body = body](const auto&, httplib::Response& answer) {
            answer.set_content(body, "audio/mpeg");
        });
    server.Start();
    std::filesystem::create_directories(Musics());
    const std::string good = Served(Listed(0));
    std::ofstream(Saved("Good Tone"), std::ios::binary) << good;
    for (const auto& [what, body] : junk) {
        currentSound = {server.Url("/" + what), "", Gbk("Good Tone")};
        EXPECT_EQ(ClickAndWait(), "下载失败") << what;
        EXPECT_TRUE(ReadFileBytes(Saved("Good Tone")) == good) << what;
        EXPECT_EQ(Tree().size(), 2u) << what;
    }
}

TEST(Mp3Signature, ATagOrTwoFramesWhereTheFirstSays) {
    const std::string frame = std::string("\xff\xfb\x90\x00", 4) + std::string(413, '\0');
    const std::string tag = std::string("ID3\x04\x00\x00\x00\x00\x01\x00", 10) + // 128 bytes
                            std::string(128, 't');
    const std::vector<std::pair<std::string, bool>> cases = {
        {frame + frame, true},
        {frame, true},
        {frame + "<html>", false},
        {frame.substr(0, 300) + frame, false},
        {tag + frame, true},
        {tag + "<html><body>", false},
        {tag.substr(0, 100), true},
        {std::string("ID3\x04\x00\x00\x80\x00\x00\x00", 10) + frame, false},
        {"\xff\xff\xff\xff", false}};
    for (const auto& [body, mp3] : cases)
        EXPECT_EQ(LooksLikeMp3(body.size(),
                               [&body = body](std::uint64_t at, std::size_t count) {
                                   return body.substr(std::min<std::size_t>(at, body.size()),
                                                      count);
                               }),
                  mp3)
            << body.size() << " bytes";
}

TEST_F(Download, AnEndlessOrOversizedBodyEndsInFailure) {
    SetUnannouncedBodyCapForTesting(1 << 20);
    const std::string chunk = LargeMp3(1 << 16);
    testing::LocalServer endless;
    testing::ServeFile(endless, "/endless.mp3", {LargeMp3(3 << 20), "audio/mpeg"});
    endless.server().Get("/endless-chunked.mp3", [&](const auto&, httplib::Response& answer) {
        answer.set_chunked_content_provider("audio/mpeg", [&](size_t, httplib::DataSink& sink) {
            return sink.write(chunk.data(), chunk.size());
        });
    });
    endless.Start();
    // Announces a petabyte (more than any disk here has free), or 64 MB for the full disk below.
    testing::FaultServer huge([&](const std::string& target, testing::FaultConnection& connection) {
        const std::uint64_t length = target == "/huge.mp3" ? 1ull << 50 : 64 << 20;
        if (!connection.Send(testing::AnswerHead("200 OK", "audio/mpeg", length))) return;
        for (std::uint64_t sent = 0; sent < length && connection.Send(chunk);
             sent += chunk.size()) {
        }
    });
    for (const std::string& url : {endless.Url("/endless-chunked.mp3"), huge.Url("/huge.mp3")}) {
        currentSound = {url, "", Gbk("Endless")};
        EXPECT_EQ(ClickAndWait(), "下载失败") << url;
        EXPECT_FALSE(std::filesystem::exists(Musics()) && !std::filesystem::is_empty(Musics()));
    }
    // Announced, the same length passes the cap.
    currentSound = {endless.Url("/endless.mp3"), "", Gbk("Endless")};
    EXPECT_EQ(ClickAndWait(), "完成");
    // A disk that fills up half way (a file size limit makes the writes fail as a full disk
    // would), with the earlier file kept.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const rlimit full{32 << 20, before.rlim_max};
    setrlimit(RLIMIT_FSIZE, &full);
    currentSound = {huge.Url("/big.mp3"), "", Gbk("Endless")};
    EXPECT_EQ(ClickAndWait(), "下载失败");
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_EQ(ReadFileBytes(Saved("Endless")).size(), 3u << 20);
    EXPECT_EQ(Tree().size(), 2u);
}

// A 5 MB sound behind a link that drops or stalls: resumed where it stopped (or fetched again
// from the start where the server ignores ranges), byte-exact, or given up with nothing lost.
TEST_F(Download, ADroppingLinkIsResumedByteExactOrGivenUp) {
    const std::string body = LargeMp3(5 << 20);
    testing::LocalServer ranged;
    ranged.server().Get("/s.mp3", [&](const auto&, httplib::Response& answer) {
        answer.set_header("ETag", "\"v1\"");
        answer.set_content(body, "audio/mpeg");
    });
    ranged.Start();
    testing::FaultServer rangeless([&](const std::string&, testing::FaultConnection& connection) {
        connection.Send(testing::AnswerHead("200 OK", "audio/mpeg", body.size()) + body);
    });
    struct Case {
        const char* what;
        std::string upstream;
        testing::LinkFaults faults;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"cut every 256 kB", ranged.HostAndPort(), {.cutAfterBytes = 256 << 10}, "完成"},
        {"one long stall, ranges ignored",
         rangeless.HostAndPort(),
         {.stallAtByte = 1 << 20, .stallFor = std::chrono::seconds(60)},
         "完成"},
        {"cut every 256 kB, ranges ignored",
         rangeless.HostAndPort(),
         {.cutAfterBytes = 256 << 10},
         "下载失败"}};
    std::filesystem::create_directories(Musics());
    SetNetTimeoutsForTesting({std::chrono::seconds(3), std::chrono::seconds(1)}); // ends a stall
    for (const Case& c : cases) {
        std::ofstream(Saved("Long Play"), std::ios::binary) << "the earlier copy";
        testing::FaultProxy proxy(c.upstream, c.faults);
        currentSound = {proxy.Url("/s.mp3"), "", Gbk("Long Play")};
        EXPECT_EQ(ClickAndWait(), c.message) << c.what;
        const std::string saved = ReadFileBytes(Saved("Long Play"));
        EXPECT_TRUE(c.message == std::string("完成") ? saved == body : saved == "the earlier copy")
            << c.what << ": " << saved.size() << " bytes";
        EXPECT_EQ(Tree().size(), 2u) << c.what;
    }
    // Every resumed request asked for the rest from a new point, on condition that the body is
    // the same (the server records requests in the order its threads finish them).
    const auto requests = ranged.Requests();
    ASSERT_GE(requests.size(), 20u);
    std::set<std::string> ranges;
    for (const auto& request : requests) {
        std::map<std::string, std::string> headers(request.headers.begin(), request.headers.end());
        if (headers.count("Range") == 0) continue; // the first
        EXPECT_EQ(headers["If-Range"], "\"v1\"");
        EXPECT_TRUE(ranges.insert(headers["Range"]).second && headers["Range"] != "bytes=0-")
            << headers["Range"];
    }
    EXPECT_EQ(ranges.size(), requests.size() - 1);
}

TEST_F(Download, OnlyHttpSourcesAreFetched) {
    const auto secret = runDirectory.path() / "secret.txt";
    std::ofstream(secret) << "not for the musics folder";
    currentSound = {"file://" + secret.string(), "", "leak"};
    EXPECT_EQ(ClickAndWait(), "下载失败");
    EXPECT_FALSE(std::filesystem::exists(Saved("leak")));
}

TEST_F(Download, AFolderThatCannotBeMadeIsAFailure) {
    std::ofstream(Musics()) << "a file where the folder should be";
    LoadSoundInfo(Listed(2).id);
    EXPECT_EQ(ClickAndWait(), "下载失败");
    EXPECT_TRUE(std::filesystem::is_regular_file(Musics()));
}

TEST_F(Download, HostileNamesStayInsideTheFolder) {
    const std::string source = "http://" + site.PageHost() + Mp3Path(Listed(3));
    const std::string served = Served(Listed(3));
    struct Case {
        std::string name, fileName;
    };
    const std::vector<Case> cases = {{"../escape", ".._escape"},
                                     {"..", ".."},
                                     {"a/b\\c", "a_b_c"},
                                     {"/abs/path", "_abs_path"},
                                     {"what: *now*?", "what_ _now__"},
                                     {Repeat("长", 90), Repeat("长", 83)}, // 270 bytes
                                     {"", ""}};
    for (const Case& c : cases) {
        currentSound = {source, "", Gbk(c.name)};
        EXPECT_EQ(ClickAndWait(), "完成") << c.name;
        EXPECT_TRUE(ReadFileBytes(Saved(c.fileName)) == served) << c.name;
    }
    // Nothing but the six files, all directly inside musics.
    const auto tree = Tree();
    EXPECT_EQ(tree.size(), cases.size() + 1);
    for (const auto& path : tree)
        EXPECT_TRUE(path == "musics" || path.rfind("musics/", 0) == 0) << path;
    for (const auto& entry : std::filesystem::directory_iterator(Musics()))
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
}

TEST_F(Download, WithNoSoundTheButtonDoesNothing) {
    QTest::mouseClick(window->图形按钮down, Qt::LeftButton);
    EXPECT_TRUE(window->图形按钮down->isVisibleTo(window));
    QTest::qWait(300);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(std::filesystem::exists(Musics()));
}

TEST_F(Download, ASoundLoadedDuringTheTransferDoesNotChangeIt) {
    LoadSoundInfo("9000002"); // pauses half way for a few seconds
    const std::string name = "Stalled Stream 卡顿";
    const std::string served = FetchUrlBytes(currentSound.source);
    ASSERT_FALSE(served.empty());
    QTest::mouseClick(window->图形按钮down, Qt::LeftButton);
    QTest::qWait(200);
    LoadSoundInfo(Listed(4).id);
    EXPECT_FALSE(window->图形按钮down->isVisibleTo(window)); // still running
    ASSERT_TRUE(EventsUntil([this] { return !messages.empty(); }, 30000));
    EXPECT_EQ(messages.back(), "完成");
    EXPECT_TRUE(ReadFileBytes(Saved(name)) == served);
    EXPECT_FALSE(std::filesystem::exists(Saved(Listed(4).name)));
}

// Which musics folder a download goes to. A read-only program folder proper is run by the
// real player in xvfb_end_to_end_test.cpp (a process as root writes anywhere else).
TEST(MusicsFolderChoice, TheProgramFolderWhenUsableElseTheUsersMusicFolder) {
    enum class Expect { Program, User };
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path& root)> prepare;
        const char* runDirectory; // below the case's root
        const char* installedFolder;
        bool withUserFolder;
        Expect expect;
    };
    const auto makeDir = [](const char* name) {
        return [name](const std::filesystem::path& root) {
            std::filesystem::create_directories(root / name);
        };
    };
    const auto makeFile = [](const char* name) {
        return [name](const std::filesystem::path& root) {
            std::filesystem::create_directories((root / name).parent_path());
            std::ofstream(root / name) << "x";
        };
    };
    const std::vector<Case> cases = {
        {"a writable program folder", makeDir("prog"), "prog", "usr/bin", true, Expect::Program},
        {"musics already there", makeDir("prog/musics"), "prog", "usr/bin", true, Expect::Program},
        {"musics a file: fails there as before", makeFile("prog/musics"), "prog", "usr/bin", true,
         Expect::Program},
        {"a folder that cannot hold musics", makeFile("prog"), "prog/sub", "usr/bin", true,
         Expect::User},
        {"the installed program folder", makeDir("usr/bin"), "usr/bin", "usr/bin", true,
         Expect::User},
        {"the installed folder named otherwise", makeDir("usr/bin"), "usr/bin", "usr/../usr/bin",
         true, Expect::User},
        {"no user music folder", makeFile("prog"), "prog/sub", "usr/bin", false, Expect::Program},
    };
    for (const Case& c : cases) {
        testing::TempDir root;
        c.prepare(root.path());
        const auto run = root.path() / c.runDirectory;
        const auto user = root.path() / "home" / "Music";
        const auto chosen = ChooseMusicsFolder(run, root.path() / c.installedFolder,
                                               c.withUserFolder ? user : std::filesystem::path());
        EXPECT_EQ(chosen, c.expect == Expect::Program ? run / "musics" : user / "musics") << c.what;
        if (c.expect == Expect::User) {
            std::error_code error;
            EXPECT_FALSE(std::filesystem::is_directory(run / "musics", error)) << c.what;
        }
        // Trying the program folder leaves nothing behind but the musics folder itself.
        if (std::filesystem::is_directory(run / "musics")) {
            EXPECT_TRUE(std::filesystem::is_empty(run / "musics")) << c.what;
        }
    }
}

} // namespace
} // namespace veldo
