// Keyboard and media controls of the player against the sample site: Enter searches, Space
// presses the shown play or pause button; the MPRIS interfaces on a private session bus, driven
// by playerctl and dbus-send (what a desktop's media keys use), heard through SDL's disk driver.
#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "app/list_window.h"
#include "app/media_controls.h"
#include "platform/gui/control_ops.h"
#include "sample_site/site_pages.h"
#include "site/sound_info.h"
#include "site_fixture.h"
#include "state/program_state.h"
#include "support/skip_or_fail.h"

namespace veldo {
namespace {

using testing::EventsUntil;

// Output of `program args` (trimmed), run while this thread keeps serving the bus.
std::string RunTool(const QString& program, const QStringList& args,
                    const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    EventsUntil([&] { return process.state() == QProcess::NotRunning; }, 15000);
    return process.readAllStandardOutput().trimmed().toStdString();
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Keys : public testing::SiteTest {
  protected:
    void SetUp() override {
        SiteTest::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    bool Playing() const { return window->图形按钮stop->isVisibleTo(window); }
    // Bytes the speaker has received so far; what comes after a mark is checked for sound.
    std::size_t SpeakerBytes() const {
        std::error_code error;
        const auto size = std::filesystem::file_size(Speaker(), error);
        return error ? 0 : size;
    }
    bool AudibleAfter(std::size_t mark) const {
        auto pcm = testing::ReadPcmFile(Speaker());
        pcm.erase(pcm.begin(), pcm.begin() + std::min(pcm.size(), mark / 2));
        return !testing::AudibleLeftChannel(pcm, 2, 500).empty();
    }
    // Waits until the speaker has taken `milliseconds` more of sound (or silence) after a mark.
    void ListenFor(int milliseconds) {
        const std::size_t from = SpeakerBytes();
        EventsUntil([&] { return SpeakerBytes() >= from + 44100 * 4 * milliseconds / 1000; });
    }
};

TEST_F(Keys, EnterSearchesAndSpacePressesTheShownButtonButTypesInTheSearchBox) {
    const SampleSound& sound = Listed(2);
    window->编辑框1->setFocus();
    window->编辑框1->clear();
    QTest::keyClicks(window->编辑框1, QString::fromStdString(SoundPage(sound.id)));
    QTest::keyClick(window->编辑框1, Qt::Key_Return);
    EXPECT_EQ(currentSound.name, testing::Gbk(sound.name));
    EXPECT_TRUE(Contains(LastInfoRequest(), "sound_id=" + sound.id)) << LastInfoRequest();
    EXPECT_FALSE(window->编辑框1->hasFocus()); // the search moved the focus to the name

    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(Playing());
    ASSERT_TRUE(EventsUntil([this] { return SpeakerIsAudible(); }));
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(Playing());
    const std::size_t paused = SpeakerBytes();
    ListenFor(300);
    EXPECT_FALSE(AudibleAfter(paused + 44100 * 4 / 10)); // after what was already queued

    // In the search box Space is text.
    window->编辑框1->setFocus();
    const QString before = window->编辑框1->text();
    QTest::keyClick(window->编辑框1, Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(window->编辑框1->text(), before + " ");
    EXPECT_FALSE(Playing());

    // In the list window, Space presses the main window's shown button too.
    OpenListWindow();
    ASSERT_NE(listWindow, nullptr);
    listWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(listWindow));
    listWindow->列表框1->setFocus();
    QTest::keyClick(listWindow->列表框1, Qt::Key_Space);
    EXPECT_TRUE(Playing());
}

class MediaControlsTest : public Keys {
  protected:
    void SetUp() override {
        Keys::SetUp();
        if (!QFile::exists("/usr/bin/dbus-daemon") || !QFile::exists("/usr/bin/playerctl"))
            VELDO_SKIP_OR_FAIL(
                "dbus-daemon or playerctl missing (scripts/install-deps installs them)");
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "player"));
        ASSERT_TRUE(RegisterMediaControls(*window, *bus));
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
    }
    void TearDown() override {
        if (follower.state() != QProcess::NotRunning) {
            follower.kill();
            follower.waitForFinished();
        }
        Keys::TearDown(); // the window, and with it the controls, go first
        bus.reset();
        QDBusConnection::disconnectFromBus("player");
        daemon.kill();
        daemon.waitForFinished();
    }
    std::string Playerctl(const QStringList& args) {
        return RunTool("playerctl", QStringList{"--player=veldo"} + args, environment);
    }
    std::string Properties(const char* interface) {
        return RunTool("dbus-send",
                       {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.veldo",
                        "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.GetAll",
                        QStringLiteral("string:") + interface},
                       environment);
    }
    void Call(const char* method) {
        RunTool("dbus-send",
                {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.veldo",
                 "/org/mpris/MediaPlayer2", method},
                environment);
    }
    // Status lines playerctl printed as PropertiesChanged arrived.
    std::string Followed() { return follower.readAllStandardOutput().toStdString(); }

    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> bus;
    QProcessEnvironment environment;
    QProcess follower;
};

TEST_F(MediaControlsTest, PlayerctlSeesTheSoundAndPlaysPausesAndStopsIt) {
    follower.setProcessEnvironment(environment);
    follower.start("playerctl", {"--player=veldo", "--follow", "status"});
    // The follower must be listening before anything changes, or it starts from a later status.
    std::string followed;
    ASSERT_TRUE(EventsUntil([&] { return Contains(followed += Followed(), "Stopped\n"); }))
        << followed;
    EXPECT_EQ(Playerctl({"status"}), "Stopped");
    EXPECT_EQ(Playerctl({"metadata", "--format", "{{mpris:trackid}}"}),
              "'/org/mpris/MediaPlayer2/TrackList/NoTrack'"); // playerctl quotes paths

    const SampleSound& sound = Listed(0); // a Chinese name
    LoadSoundInfo(sound.id);
    EXPECT_EQ(Playerctl({"metadata", "title"}), sound.name);
    EXPECT_EQ(Playerctl({"metadata", "mpris:artUrl"}),
              "http://" + site.PageHost() + "/covers/" + sound.id + ".png");
    const std::string firstTrack = Playerctl({"metadata", "mpris:trackid"});
    EXPECT_TRUE(Contains(firstTrack, "/io/github/veldo/Veldo/track/")) << firstTrack;
    EXPECT_EQ(Playerctl({"metadata", "mpris:length"}), ""); // nothing opened yet

    Playerctl({"play-pause"});
    EXPECT_TRUE(Playing()); // the window shows it as the play button would
    EXPECT_EQ(Playerctl({"status"}), "Playing");
    ASSERT_TRUE(EventsUntil([this] { return SpeakerIsAudible(); }));
    // The length once the engine knows it, in microseconds.
    std::string length;
    EventsUntil([&] { return !(length = Playerctl({"metadata", "mpris:length"})).empty(); });
    ASSERT_FALSE(length.empty());
    EXPECT_NEAR(std::stod(length) / 1e6, sound.durationSeconds, 1.0);

    Playerctl({"play-pause"});
    EXPECT_FALSE(Playing());
    EXPECT_EQ(Playerctl({"status"}), "Paused");
    const std::size_t paused = SpeakerBytes();
    ListenFor(300);
    EXPECT_FALSE(AudibleAfter(paused + 44100 * 4 / 10));

    Playerctl({"play"});
    EXPECT_TRUE(Playing());
    const std::size_t resumed = SpeakerBytes();
    ListenFor(500);
    EXPECT_TRUE(AudibleAfter(resumed));

    Playerctl({"stop"}); // the reset
    EXPECT_FALSE(Playing());
    EXPECT_EQ(GetProgressPosition(window->进度条), 0);
    EXPECT_EQ(Playerctl({"status"}), "Stopped");

    LoadSoundInfo(Listed(1).id); // another sound is another track
    EXPECT_EQ(Playerctl({"metadata", "title"}), Listed(1).name);
    EXPECT_NE(Playerctl({"metadata", "mpris:trackid"}), firstTrack);

    // PropertiesChanged told the follower every change, in order.
    EXPECT_TRUE(EventsUntil(
        [&] {
            return Contains(followed += Followed(), "Stopped\nPlaying\nPaused\nPlaying\nStopped");
        },
        3000))
        << followed;
}

TEST_F(MediaControlsTest, DescribesItselfAndRaisesTheWindow) {
    const std::string root = Properties("org.mpris.MediaPlayer2");
    for (const char* expected : {"\"Identity\"\n         variant             string \"Veldo\"",
                                 "\"DesktopEntry\"\n         variant             string "
                                 "\"io.github.veldo.Veldo\"",
                                 "\"CanQuit\"\n         variant             boolean true",
                                 "\"CanRaise\"\n         variant             boolean true"})
        EXPECT_TRUE(Contains(root, expected)) << expected << "\nin\n" << root;
    const std::string player = Properties("org.mpris.MediaPlayer2.Player");
    for (const char* expected : {"\"CanPlay\"\n         variant             boolean true",
                                 "\"CanPause\"\n         variant             boolean true",
                                 "\"CanSeek\"\n         variant             boolean false",
                                 "\"CanGoNext\"\n         variant             boolean false",
                                 "\"CanGoPrevious\"\n         variant             boolean false"})
        EXPECT_TRUE(Contains(player, expected)) << expected << "\nin\n" << player;

    OpenListWindow();
    listWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(listWindow));
    Call("org.mpris.MediaPlayer2.Raise");
    EXPECT_TRUE(EventsUntil([this] { return QApplication::activeWindow() == window; }, 3000));
}

} // namespace
} // namespace veldo
