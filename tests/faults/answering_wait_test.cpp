// The window while a handler waits on a slow site (the record of sound 101 comes 5 s late): the
// UI thread answers, clicks and bus commands wait for the handler, a status read over the bus
// does not, and the close button, the search button and a list choice abandon the wait.
#include <QDBusConnection>
#include <QProcess>
#include <QTest>

#include "app/media_controls.h"
#include "platform/gui/control_ops.h"
#include "player/playback_control.h"
#include "fault_fixture.h"

namespace veldo::testing {
namespace {

constexpr int kLateMs = 5000;
constexpr int kLateStreamMs = 1500; // more than a tick of either timer
constexpr int kAnswerMs = 100; // the longest the UI thread may go without turning its loop

class WhileTheSiteWaits : public FaultTest {
  protected:
    void SetUp() override {
        FaultTest::SetUp(); // slow, not broken: the late answer stays within the limits
        SetNetTimeoutsForTesting({kConnect, std::chrono::milliseconds(3 * kLateMs)});
        SetNetTotalLimitForTesting(std::chrono::milliseconds(3 * kLateMs));
    }
    bool Misbehave(const std::string& target, FaultConnection& connection) override {
        if (target == "/media/103.mp3") { // the sound itself comes late
            connection.Wait(kLateStreamMs);
            ServeGoodSite(target, connection);
            return true;
        }
        if (target != "/sound/info?sound_id=101") return false;
        connection.Wait(kLateMs);
        ServeGoodSite(target, connection);
        lateAnswered.store(true);
        return true;
    }
    // Runs `handler` (by default a search for the late sound) and, 500 ms into it, `user`;
    // gives the handler's duration in ms.
    long long WhileLoading(std::function<void()> user, std::function<void()> handler = {}) {
        if (!handler) handler = [this] { SearchFor("101"); };
        userMadeDuringIt = false;
        QTimer::singleShot(500, window, [this, user] { userMadeDuringIt = loading, user(); });
        loading = true;
        const long long ms = Timed(handler);
        loading = false;
        return ms;
    }
    // A left click (or double-click) on `control` as the window system delivers one.
    static void Click(QWidget* control, bool twice = false, QPoint at = {}) {
        QWindow* top = control->window()->windowHandle();
        at = control->mapTo(control->window(), at.isNull() ? control->rect().center() : at);
        QTest::mouseEvent(twice ? QTest::MouseDClick : QTest::MouseClick, top, Qt::LeftButton, {},
                          at);
    }
    bool Playing() const { return BASS_ChannelIsActive(currentStream) == BASS_ACTIVE_PLAYING; }
    std::string Shown() const { return window->标签1->text().toStdString(); }
    bool loading = false, userMadeDuringIt = false;
    std::atomic<bool> lateAnswered{false}; // set by the server's thread
};

TEST_F(WhileTheSiteWaits, TheWindowAnswersAndAPlayClickTakesEffectAfterTheLoad) {
    QElapsedTimer sinceTick;
    long long longestGap = 0;
    bool waitCursor = false; // only a wait sets a cursor for the whole program
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        waitCursor |= QGuiApplication::overrideCursor() != nullptr;
    });
    tick.start(10);
    sinceTick.start();
    const long long ms = WhileLoading([this] { Click(window->图形按钮play); });
    tick.stop();
    EXPECT_GE(ms, kLateMs - 500);
    EXPECT_LT(longestGap, 3 * kAnswerMs); // room for a loaded machine; blocking gives 5000
    EXPECT_TRUE(waitCursor && QGuiApplication::overrideCursor() == nullptr);
    EXPECT_TRUE(userMadeDuringIt);
    EXPECT_FALSE(Playing()); // held until the handler has returned
    ASSERT_TRUE(EventsUntil([this] { return Playing(); }, kHandlerBoundMs));
    EXPECT_EQ(Shown(), GoodName("101"));
}

// The timers tick while play waits for a late stream and find nothing sounding yet; the sound
// still gets its progress and its spectrum once it plays.
TEST_F(WhileTheSiteWaits, ASoundThatComesLateShowsItsProgressAndSpectrum) {
    SearchFor("103");
    ASSERT_TRUE(EventsUntil([this] { return Shown() == GoodName("103"); }));
    Click(window->图形按钮play);
    ASSERT_TRUE(EventsUntil([this] { return Playing(); }, kHandlerBoundMs));
    EXPECT_EQ(GetTimerInterval(window->时钟1), kProgressTickMs);
    EXPECT_EQ(GetTimerInterval(window->时钟2), kSpectrumTickMs);
}

TEST_F(WhileTheSiteWaits, TheCloseButtonTheSearchButtonAndAListChoiceDoNotWait) {
    // The search button: the late record is dropped and the other sound shows.
    const QString other = QString::fromStdString(SoundPageAddress("102"));
    EXPECT_LT(WhileLoading([&] { window->编辑框1->setText(other), Click(window->图形按钮1); }),
              kLateMs - 1000);
    ASSERT_TRUE(EventsUntil([this] { return Shown() == GoodName("102"); }));
    ASSERT_TRUE(EventsUntil([this] { return lateAnswered.load(); }, kHandlerBoundMs));
    ProcessEventsFor(300);
    EXPECT_EQ(Shown(), GoodName("102"));
    // A list choice: the chosen sound loads and plays.
    OpenListWindow();
    ASSERT_TRUE(listWindow != nullptr && QTest::qWaitForWindowExposed(listWindow));
    QListWidget* list = listWindow->列表框1;
    list->setCurrentRow(0);
    const QPoint second = list->visualItemRect(list->item(1)).center();
    EXPECT_LT(WhileLoading([&] { Click(list->viewport(), true, second); },
                           [&] { emit list->itemDoubleClicked(list->item(0)); }),
              kLateMs - 1000);
    ASSERT_TRUE(EventsUntil([this] { return Playing(); }, kHandlerBoundMs));
    EXPECT_EQ(currentSound.name, GoodName("102"));

    // The close button (its click is the close path; the slide-away would end the test).
    QObject::disconnect(window->图形按钮x, &QAbstractButton::clicked, window, nullptr);
    bool closed = false;
    QObject::connect(window->图形按钮x, &QAbstractButton::clicked, [&] { closed = true; });
    EXPECT_LT(WhileLoading([this] { Click(window->图形按钮x); }), kLateMs - 1000);
    EXPECT_TRUE(EventsUntil([&] { return closed; }, 1000));
    EXPECT_NE(Shown(), GoodName("101"));
}

TEST_F(WhileTheSiteWaits, OverTheBusAStatusReadIsAnsweredAndAPlayCommandWaitsItsTurn) {
    QProcess daemon, status, play;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "dbus-daemon (scripts/install-deps)";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    QDBusConnection bus = QDBusConnection::connectToBus(address, "wait");
    ASSERT_TRUE(RegisterMediaControls(*window, bus));
    QElapsedTimer sinceAsked;
    long long answeredAfter = -1;
    QObject::connect(&status, &QProcess::finished, [&] { answeredAfter = sinceAsked.elapsed(); });
    setenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8().constData(), 1); // for dbus-send
    const QStringList to = {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.veldo",
                            "/org/mpris/MediaPlayer2"};
    WhileLoading([&] {
        sinceAsked.start();
        status.start("dbus-send", to + QStringList{"org.freedesktop.DBus.Properties.Get",
                                                   "string:org.mpris.MediaPlayer2.Player",
                                                   "string:PlaybackStatus"});
        play.start("dbus-send", to + QStringList{"org.mpris.MediaPlayer2.Player.Play"});
    });
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_TRUE(answeredAfter >= 0 && answeredAfter < 1000) << answeredAfter;
    EXPECT_TRUE(status.readAllStandardOutput().contains("Stopped"));
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(EventsUntil([this] { return Playing(); }, kHandlerBoundMs));
    daemon.kill();
}

} // namespace
} // namespace veldo::testing
