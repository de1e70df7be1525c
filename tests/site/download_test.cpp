// Saving the current sound: exact bytes, replacement, a good file kept when the fetch fails,
// the folder created, the right message, hostile names kept inside the folder, and copies taken
// at the click.
// First: site_pages.h declares a function SoundRecord that would hide the record type.
#include "forms/program_state.h"

#include <QTest>
#include <gtest/gtest.h>

#include "platform/net/url_fetch.h"
#include "sample_site/site_pages.h"
#include "site/download.h"
#include "site/musics_folder.h"
#include "site/sound_info.h"
#include "site_fixture.h"

namespace veldo {
namespace {

using testing::EventsUntil;
using testing::Gbk;
using testing::ReadFileBytes;

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
