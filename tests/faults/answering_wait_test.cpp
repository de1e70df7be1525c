// The window while a handler waits on a slow site: the record of sound 101 comes 5 s late. The
// UI thread keeps answering, a click (or a command over the session bus) waits for the handler,
// a status read over the bus is answered at once, and the close button, the search button and
// a list choice abandon the wait.
#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "app/media_controls.h"
#include "fault_fixture.h"
#include "player/playback_control.h"

namespace veldo::testing {
namespace {

constexpr int kLateMs = 5000;
constexpr int kAnswerMs = 100; // the longest the UI thread may go without turning its loop

class WhileTheSiteWaits : public FaultTest {
  protected:
    std::atomic<bool> lateAnswered{false}; // set by the server's thread

    void SetUp() override {
        FaultTest::SetUp();
        // The late answer stays within the limits: it is slow, not broken.
        SetNetTimeoutsForTesting({kConnect, std::chrono::milliseconds(3 * kLateMs)});
        SetNetTotalLimitForTesting(std::chrono::milliseconds(3 * kLateMs));
    }

    bool Misbehave(const std::string& target, FaultConnection& connection) override {
        if (target != "/sound/info?sound_id=101") return false;
        connection.Wait(kLateMs);
        ServeGoodSite(target, connection);
        lateAnswered.store(true);
        return true;
    }

    // `handler` runs; `user` runs from a timer 500 ms into it. Gives the handler's duration;
    // `userMadeDuringIt` says whether the timer fired while it ran.
    long long WhileLoading(const std::function<void()>& handler, std::function<void()> user) {
        QTimer::singleShot(500, window, [this, user] {
            userMadeDuringIt = loading;
            user();
        });
        loading = true;
        const long long ms = Timed(handler);
        loading = false;
        return ms;
    }

    // A left click (or a double-click) as the window system would deliver it.
    void Click(QWidget* control, bool twice = false) {
        QWidget* top = control->window();
        const QPoint at = control->mapTo(top, control->rect().center());
        if (twice)
            QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, at);
    }

    bool Playing() const { return BASS_ChannelIsActive(currentStream) == BASS_ACTIVE_PLAYING; }

    bool loading = false;
    bool userMadeDuringIt = false;
};

TEST_F(WhileTheSiteWaits, TheWindowAnswersAndShowsTheWaitCursor) {
    QElapsedTimer sinceTick;
    long long longestGap = 0;
    bool waitCursor = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        const QCursor* cursor = QGuiApplication::overrideCursor();
        waitCursor = waitCursor || (cursor && cursor->shape() == Qt::WaitCursor);
    });
    tick.start(10);
    sinceTick.start();
    const long long ms = Timed([this] { SearchFor("101"); });
    tick.stop();
    EXPECT_GE(ms, kLateMs - 500);
    EXPECT_LT(longestGap, kAnswerMs);
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(window->标签1->text().toStdString(), GoodName("101"));
}

TEST_F(WhileTheSiteWaits, APlayClickTakesEffectAfterTheRecordHasLoaded) {
    WhileLoading([this] { SearchFor("101"); }, [this] { Click(window->图形按钮play); });
    EXPECT_TRUE(userMadeDuringIt);
    EXPECT_FALSE(Playing()); // held until the handler has returned
    ASSERT_TRUE(EventsUntil([this] { return Playing(); }, kHandlerBoundMs));
    EXPECT_EQ(currentSound.name, GoodName("101"));
}

TEST_F(WhileTheSiteWaits, TheCloseButtonTakesEffectAtOnce) {
    // The close path is the button's click; the slide-away itself would end the test.
    QObject::disconnect(window->图形按钮x, &QAbstractButton::clicked, window, nullptr);
    QElapsedTimer sinceClick;
    long long closedAfter = -1;
    QObject::connect(window->图形按钮x, &QAbstractButton::clicked,
                     [&] { closedAfter = sinceClick.elapsed(); });
    const long long ms = WhileLoading([this] { SearchFor("101"); }, [&] {
        sinceClick.start();
        Click(window->图形按钮x);
    });
    EXPECT_TRUE(userMadeDuringIt);
    EXPECT_LT(ms, kLateMs - 1000);
    ASSERT_TRUE(EventsUntil([&] { return closedAfter >= 0; }, kHandlerBoundMs));
    EXPECT_LT(closedAfter, 1000);
    EXPECT_NE(window->标签1->text().toStdString(), GoodName("101"));
}

TEST_F(WhileTheSiteWaits, TheSearchButtonAbandonsTheWait) {
    const long long ms = WhileLoading([this] { SearchFor("101"); }, [this] {
        window->编辑框1->setText(QString::fromStdString(SoundPageAddress("102")));
        Click(window->图形按钮1);
    });
    EXPECT_TRUE(userMadeDuringIt);
    EXPECT_LT(ms, kLateMs - 1000);
    ASSERT_TRUE(EventsUntil(
        [this] { return window->标签1->text().toStdString() == GoodName("102"); }));
    // The late record, once it comes, is dropped.
    ASSERT_TRUE(EventsUntil([this] { return lateAnswered.load(); }, kHandlerBoundMs));
    ProcessEventsFor(300);
    EXPECT_EQ(currentSound.name, GoodName("102"));
    EXPECT_EQ(window->标签1->text().toStdString(), GoodName("102"));
}

TEST_F(WhileTheSiteWaits, AListChoiceAbandonsTheWaitAndPlaysTheChosenSound) {
    OpenListWindow();
    ASSERT_NE(listWindow, nullptr);
    QListWidget* list = listWindow->列表框1;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(listWindow));
    ASSERT_EQ(list->count(), 3);
    list->setCurrentRow(0);
    const long long ms =
        WhileLoading([list] { emit list->itemDoubleClicked(list->item(0)); }, [list] {
            const QRect row = list->visualItemRect(list->item(1));
            QTest::mouseDClick(list->window()->windowHandle(), Qt::LeftButton, {},
                               list->viewport()->mapTo(list->window(), row.center()));
        });
    EXPECT_TRUE(userMadeDuringIt);
    EXPECT_LT(ms, kLateMs - 1000);
    ASSERT_TRUE(EventsUntil([this] { return Playing(); }, kHandlerBoundMs));
    EXPECT_EQ(currentSound.name, GoodName("102"));
}

// The media controls on a private session bus, asked over it while the record is late.
class MprisWhileTheSiteWaits : public WhileTheSiteWaits {
  protected:
    void SetUp() override {
        WhileTheSiteWaits::SetUp();
        for (const char* tool : {"/usr/bin/dbus-daemon", "/usr/bin/dbus-send"})
            ASSERT_TRUE(QFile::exists(tool)) << tool << " missing (scripts/install-deps)";
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "wait"));
        ASSERT_TRUE(RegisterMediaControls(*window, *bus));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        for (QProcess* tool : {&status, &play}) tool->setProcessEnvironment(environment);
    }
    void TearDown() override {
        WhileTheSiteWaits::TearDown();
        bus.reset();
        QDBusConnection::disconnectFromBus("wait");
        daemon.kill();
        daemon.waitForFinished();
    }
    void Send(QProcess& tool, const QStringList& what) {
        tool.start("dbus-send", QStringList{"--session", "--print-reply",
                                            "--dest=org.mpris.MediaPlayer2.veldo",
                                            "/org/mpris/MediaPlayer2"} + what);
    }

    QProcess daemon, status, play;
    std::unique_ptr<QDBusConnection> bus;
};

TEST_F(MprisWhileTheSiteWaits, AStatusReadIsAnsweredAndAPlayCommandWaitsItsTurn) {
    QElapsedTimer sinceAsked;
    long long answeredAfter = -1;
    QObject::connect(&status, &QProcess::finished, [&] { answeredAfter = sinceAsked.elapsed(); });
    WhileLoading([this] { SearchFor("101"); }, [&] {
        sinceAsked.start();
        Send(status, {"org.freedesktop.DBus.Properties.Get",
                      "string:org.mpris.MediaPlayer2.Player", "string:PlaybackStatus"});
        Send(play, {"org.mpris.MediaPlayer2.Player.Play"});
    });
    EXPECT_TRUE(userMadeDuringIt);
    EXPECT_GE(answeredAfter, 0); // while the handler waited
    EXPECT_LT(answeredAfter, 1000);
    EXPECT_TRUE(status.readAllStandardOutput().contains("Stopped"));
    EXPECT_FALSE(Playing());
    ASSERT_TRUE(EventsUntil([this] { return Playing(); }, kHandlerBoundMs));
    EXPECT_EQ(currentSound.name, GoodName("101"));
}

} // namespace
} // namespace veldo::testing
