// The slide-away exit, run in a child process (veldo-shell-probe, the real start-up) because it
// ends the process: the tops the window passes, the exit code, the released state.
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <vector>

namespace veldo {
namespace {

struct ProbeRun {
    int exitCode = -1;
    bool normalExit = false;
    std::vector<int> tops;
    bool released = false;
};

ProbeRun RunProbe(const char* action) {
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    environment.insert(QStringLiteral("VELDO_PROBE_ACTION"), QString::fromLatin1(action));
    probe.setProcessEnvironment(environment);
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
    for (int top : run.tops)
        EXPECT_EQ(top, -300); // only the probe's own move, none by the slide
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

} // namespace
} // namespace veldo
