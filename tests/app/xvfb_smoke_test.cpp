// The real player under Xvfb, with no window manager and under real ones (openbox, xfwm4):
// its window appears at 580 x 200 where the design places it, a screenshot shows it, and a
// click on its close button slides it off the screen and ends the program with code 0.
// A row is skipped where xvfb-run, xdotool, ImageMagick's import or its window manager is not
// installed (scripts/install-deps installs them all).
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support_gui/window_managers.h"

namespace veldo {
namespace {

using testing::WindowManager;

const char kImport[] = "/usr/bin/import-im6.q16";

// Start the manager and the player, wait for its window, report the geometry, photograph the
// screen, click the close button (50 + 560, 50 + 12) and report how the player ended.
const char kScript[] = R"(
"$PLAYER" & pid=$!
id=$(timeout 20 xdotool search --sync --onlyvisible --classname veldo | head -1)
sleep 1
xdotool getwindowgeometry "$id"
"$IMPORT" -window root "$SHOT"
xdotool mousemove 610 62 click 1
for i in $(seq 1 200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
kill -0 $pid 2>/dev/null && { echo "still running"; kill -9 $pid; }
wait $pid
echo "exit $?"
)";

// Near a colour: a compositing manager shows the window at its opacity of 250/255.
bool Near(QRgb pixel, QColor expected) {
    const QColor got(pixel);
    return std::abs(got.red() - expected.red()) <= 8 &&
           std::abs(got.green() - expected.green()) <= 8 &&
           std::abs(got.blue() - expected.blue()) <= 8;
}

class XvfbSmoke : public ::testing::TestWithParam<WindowManager> {};

TEST_P(XvfbSmoke, MainWindowAppearsAt580x200AndTheCloseButtonEndsWithCode0) {
    const WindowManager& manager = GetParam();
    for (const char* tool : {"/usr/bin/xvfb-run", "/usr/bin/xdotool", kImport})
        if (!QFile::exists(tool)) GTEST_SKIP() << tool << " missing";
    if (!manager.Installed()) GTEST_SKIP() << manager.program.toStdString() << " missing";
    testing::TempDir folder;
    const QString shot = QString::fromStdString((folder.path() / "main.png").string());
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    environment.insert(QStringLiteral("PLAYER"), QStringLiteral(VELDO_PLAYER));
    environment.insert(QStringLiteral("SHOT"), shot);
    environment.insert(QStringLiteral("IMPORT"), QLatin1String(kImport));
    run.setProcessEnvironment(environment);
    run.start(QStringLiteral("xvfb-run"),
              {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24"),
               QStringLiteral("bash"), QStringLiteral("-c"),
               testing::StartWindowManagerScript(manager) + QLatin1String(kScript)});
    ASSERT_TRUE(run.waitForFinished(60000));
    const std::string output = QString::fromLocal8Bit(run.readAllStandardOutput()).toStdString();
    EXPECT_EQ(output.find("window manager not ready"), std::string::npos) << output;
    EXPECT_NE(output.find("Geometry: 580x200"), std::string::npos) << output;
    EXPECT_NE(output.find("Position: 50,50"), std::string::npos) << output;
    EXPECT_NE(output.find("exit 0"), std::string::npos) << output;

    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(1280, 800));
    // The window sits at 50, 50: white inside, the accent green in its play button, and the
    // desktop (black under Xvfb) just outside.
    EXPECT_TRUE(Near(image.pixel(50 + 300, 50 + 130), Qt::white));
    EXPECT_TRUE(Near(image.pixel(50 + 544, 50 + 150), QColor(128, 224, 0)));
    EXPECT_TRUE(Near(image.pixel(40, 40), Qt::black));
    EXPECT_TRUE(Near(image.pixel(50 + 590, 50 + 100), Qt::black));
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, XvfbSmoke, ::testing::ValuesIn(testing::WindowManagers()),
                         [](const auto& info) { return info.param.name.toStdString(); });

} // namespace
} // namespace veldo
