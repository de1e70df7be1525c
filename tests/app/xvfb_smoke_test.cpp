// The real player under Xvfb: its window appears at 580 x 200 and a screenshot shows it.
// Skipped where xvfb-run, xdotool or ImageMagick's import are not installed.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace veldo {
namespace {

const char kImport[] = "/usr/bin/import-im6.q16";

bool Installed(const QString& path) {
    return QFile::exists(path);
}

TEST(XvfbSmoke, MainWindowAppearsAt580x200AndScreenshotShowsIt) {
    if (!Installed("/usr/bin/xvfb-run") || !Installed("/usr/bin/xdotool") || !Installed(kImport))
        GTEST_SKIP() << "xvfb-run, xdotool or ImageMagick missing";
    testing::TempDir folder;
    const QString shot = QString::fromStdString((folder.path() / "main.png").string());
    // Start the player, wait for its window, report the geometry, photograph the screen.
    const QString script =
        QStringLiteral(
            "\"$PLAYER\" & pid=$!\n"
            "id=$(timeout 20 xdotool search --sync --onlyvisible --classname veldo | head -1)\n"
            "sleep 1\n"
            "xdotool getwindowgeometry \"$id\"\n"
            "%1 -window root \"$SHOT\"\n"
            "kill $pid\n")
            .arg(QLatin1String(kImport));
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    environment.insert(QStringLiteral("PLAYER"), QStringLiteral(VELDO_PLAYER));
    environment.insert(QStringLiteral("SHOT"), shot);
    run.setProcessEnvironment(environment);
    run.start(QStringLiteral("xvfb-run"),
              {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24"),
               QStringLiteral("bash"), QStringLiteral("-c"), script});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(run.readAllStandardOutput());
    EXPECT_TRUE(output.contains(QStringLiteral("Geometry: 580x200"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Position: 50,50"))) << output.toStdString();

    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(1280, 800));
    // The window sits at 50, 50: white inside, the accent green in its play button, and the
    // desktop (black under Xvfb) just outside.
    EXPECT_EQ(QColor(image.pixel(50 + 300, 50 + 130)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(50 + 544, 50 + 150)), QColor(128, 224, 0));
    EXPECT_EQ(QColor(image.pixel(40, 40)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(50 + 590, 50 + 100)), QColor(Qt::black));
}

} // namespace
} // namespace veldo
