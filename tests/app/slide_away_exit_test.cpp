// The ends of the process, run in a child process (veldo-shell-probe, the real start-up): the
// slide-away exit (the tops the window passes, the exit code, the released state) and the stop
// signals (the exit code, how fast, the released state, a download abandoned cleanly).
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

#include "support/file_bytes.h"
#include "support/local_server.h"
#include "support/mp3_server.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace veldo {
namespace {

// The program ends within a second of a stop signal (0.3 to 0.5 s measured alone); the limit
// leaves room for a loaded machine, and still catches an end that waits for a stuck UI thread
// (the probe's busy call lasts 20 s).
constexpr qint64 kEndLimitMs = 3000;

QProcessEnvironment ProbeEnvironment(const char* action) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    environment.insert(QStringLiteral("VELDO_PROBE_ACTION"), QString::fromLatin1(action));
    return environment;
}

struct ProbeRun {
    int exitCode = -1;
    bool normalExit = false;
    std::vector<int> tops;
    bool released = false;
};

ProbeRun RunProbe(const char* action) {
    QProcess probe;
    probe.setProcessEnvironment(ProbeEnvironment(action));
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    probe.start(QStringLiteral(VELDO_SHELL_PROBE), {});
    ProbeRun run;
    if (!probe.waitForFinished(30000)) {
        probe.kill();
        probe.waitForFinished();
        ADD_FAILURE() << "the probe did not end by itself";
        return run;
    }
    run.exitCode = probe.exitCode();
    run.normalExit = probe.exitStatus() == QProcess::NormalExit;
    const QStringList lines = QString::fromLocal8Bit(probe.readAllStandardOutput()).split('\n');
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("top "))) run.tops.push_back(line.mid(4).toInt());
        if (line == QStringLiteral("released yes")) run.released = true;
    }
    return run;
}

TEST(SlideAwayExit, CloseButtonSlidesUpInStepsOf50AndEndsWithCode0) {
    const ProbeRun run = RunProbe("press");
    EXPECT_TRUE(run.normalExit);
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<int> expected = {0, -50, -100, -150, -200, -250};
    EXPECT_EQ(run.tops, expected);
    EXPECT_TRUE(run.released);
}

TEST(SlideAwayExit, CloseRequestIsRefusedAndSlidesInstead) {
    const ProbeRun run = RunProbe("close");
    EXPECT_TRUE(run.normalExit);
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<int> expected = {0, -50, -100, -150, -200, -250};
    EXPECT_EQ(run.tops, expected);
    EXPECT_TRUE(run.released);
}

TEST(SlideAwayExit, WindowAlreadyAboveTheScreenEndsAtOnce) {
    const ProbeRun run = RunProbe("above");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.tops, std::vector<int>{-300}); // only the probe's own move, none by the slide
    EXPECT_TRUE(run.released);
}

TEST(SlideAwayExit, TwoPressesShareTheWorkWithoutLosingASingleStep) {
    const ProbeRun run = RunProbe("press2");
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_GE(run.tops.size(), 6u);
    // Both workers move the window; no step of one is undone by the other.
    for (size_t i = 0; i < run.tops.size(); ++i)
        EXPECT_EQ(run.tops[i], -50 * static_cast<int>(i));
    EXPECT_LE(run.tops.back(), -250);
    EXPECT_GE(run.tops.back(), -300); // the second worker may take one step more
}

// A probe that runs until a signal ends it.
class SignalledProbe {
  public:
    explicit SignalledProbe(const QProcessEnvironment& environment) {
        probe_.setProcessEnvironment(environment);
        probe_.start(QStringLiteral(VELDO_SHELL_PROBE), {});
    }
    ~SignalledProbe() {
        if (probe_.state() != QProcess::NotRunning) {
            probe_.kill();
            probe_.waitForFinished();
        }
    }
    bool WaitShown() {
        testing::WaitUntil(
            [this] {
                output_ += probe_.readAllStandardOutput();
                return output_.contains("shown\n") || probe_.state() == QProcess::NotRunning;
            },
            std::chrono::seconds(30), [this] { probe_.waitForReadyRead(100); });
        return output_.contains("shown\n");
    }
    // Sends `signal`; false when the probe has not ended 5 s later. `elapsedMs` counts from the
    // signal to the end.
    bool SignalAndWait(int signal, qint64& elapsedMs) {
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(probe_.processId()), signal);
        const bool ended = probe_.waitForFinished(5000);
        elapsedMs = clock.elapsed();
        output_ += probe_.readAllStandardOutput();
        return ended;
    }
    int exitCode() const { return probe_.exitCode(); }
    bool normalExit() const { return probe_.exitStatus() == QProcess::NormalExit; }
    bool released() const { return output_.contains("released yes"); }

  private:
    QProcess probe_;
    QByteArray output_;
};

TEST(StopSignals, EachEndsTheProgramWithinASecondThroughTheOrderlyEnd) {
    struct Case {
        int signal;
        int exitCode;
    };
    for (const Case c : {Case{SIGTERM, 143}, Case{SIGINT, 130}, Case{SIGHUP, 129}}) {
        SignalledProbe probe(ProbeEnvironment("wait"));
        ASSERT_TRUE(probe.WaitShown()) << c.signal;
        qint64 elapsedMs = 0;
        ASSERT_TRUE(probe.SignalAndWait(c.signal, elapsedMs)) << "ignored signal " << c.signal;
        EXPECT_TRUE(probe.normalExit()) << c.signal;
        EXPECT_EQ(probe.exitCode(), c.exitCode);
        EXPECT_LT(elapsedMs, kEndLimitMs) << c.signal;
        EXPECT_TRUE(probe.released()) << c.signal;
    }
}

TEST(StopSignals, AnUiThreadStuckInALongCallStillEndsWithinASecond) {
    SignalledProbe probe(ProbeEnvironment("busy"));
    ASSERT_TRUE(probe.WaitShown());
    QThread::msleep(200); // the UI thread is inside its long call now
    qint64 elapsedMs = 0;
    ASSERT_TRUE(probe.SignalAndWait(SIGTERM, elapsedMs));
    EXPECT_EQ(probe.exitCode(), 143);
    EXPECT_LT(elapsedMs, kEndLimitMs);
}

TEST(StopSignals, ADownloadInProgressIsAbandonedAndTheEarlierFileKept) {
    testing::LocalServer server;
    // Half a megabyte a second: the transfer is still running when the signal comes.
    testing::ServeFile(server, "/slow.mp3",
                       {std::string(8 << 20, 'm'), "audio/mpeg", std::string::npos, 0, 512 * 1024});
    server.Start();
    testing::TempDir runDirectory;
    const auto musics = runDirectory.path() / "musics";
    std::filesystem::create_directories(musics);
    std::ofstream(musics / "song.mp3") << "the earlier file";
    const auto partFiles = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(musics))
            count += entry.path().extension() == ".part" ? 1 : 0;
        return count;
    };

    QProcessEnvironment environment = ProbeEnvironment("download");
    environment.insert(QStringLiteral("VELDO_PROBE_SOURCE"),
                       QString::fromStdString(server.Url("/slow.mp3")));
    environment.insert(QStringLiteral("VELDO_PROBE_RUNDIR"),
                       QString::fromStdString(runDirectory.path().string()));
    SignalledProbe probe(environment);
    ASSERT_TRUE(probe.WaitShown());
    testing::WaitUntil([&] { return partFiles() > 0; }, std::chrono::seconds(10));
    ASSERT_EQ(partFiles(), 1);
    // Some of the body is on disk.
    const auto partBytes = [&] {
        std::uintmax_t bytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(musics))
            if (entry.path().extension() == ".part") bytes += entry.file_size();
        return bytes;
    };
    ASSERT_TRUE(testing::WaitUntil([&] { return partBytes() > 0; }, std::chrono::seconds(10)));
    qint64 elapsedMs = 0;
    ASSERT_TRUE(probe.SignalAndWait(SIGTERM, elapsedMs));
    EXPECT_EQ(probe.exitCode(), 143);
    EXPECT_LT(elapsedMs, kEndLimitMs);
    EXPECT_EQ(partFiles(), 0);
    EXPECT_EQ(testing::ReadFileBytes(musics / "song.mp3"), "the earlier file");
}

} // namespace
} // namespace veldo
