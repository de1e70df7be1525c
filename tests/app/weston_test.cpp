// The real player on Wayland, under a Weston compositor started by the test: both windows show,
// the list window's title and the player's free area drag them (startSystemMove, carried out by
// the compositor, the only way a window moves there), and a click on the close button ends the
// program with code 0 within a second, although the compositor never moves the window (Qt reads
// back the positions it asked for). Weston runs with its X11 back end inside a virtual X server
// (xvfb-run -a): its headless back end has no seat, so no pointer could press or drag; here
// xdotool's pointer reaches Weston, and Weston reaches the player. What Weston shows is read from
// screenshots of the virtual screen. Skipped where weston, Qt's Wayland platform, xvfb-run,
// xdotool or ImageMagick's import is not installed.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

#include "support/skip_or_fail.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace veldo {
namespace {

const char kImport[] = "/usr/bin/import-im6.q16";
const QColor kAccent(128, 224, 0);

// A virtual X screen of 1280 x 800 for the length of a test, and commands run on it.
class VirtualScreen {
  public:
    VirtualScreen() {
        // xvfb-run picks a free display; the script reports it and holds the server until its
        // input closes.
        server_.start(QStringLiteral("xvfb-run"),
                      {"-a", "-s", "-screen 0 1280x800x24", "bash", "-c",
                       "echo \"display $DISPLAY $XAUTHORITY\"; read -r _"});
        QByteArray line;
        while (!line.contains('\n') && server_.waitForReadyRead(20000))
            line += server_.readAllStandardOutput();
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() == 3 && words[0] == "display") {
            display_ = QString::fromLocal8Bit(words[1]);
            authority_ = QString::fromLocal8Bit(words[2]);
        }
    }
    ~VirtualScreen() {
        server_.closeWriteChannel();
        if (!server_.waitForFinished(10000)) server_.kill();
        server_.waitForFinished();
    }
    const QString& display() const { return display_; }
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display_);
        environment.insert(QStringLiteral("XAUTHORITY"), authority_);
        return environment;
    }
    bool Run(const QString& program, const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.start(program, arguments);
        return process.waitForFinished(20000) && process.exitCode() == 0;
    }
    void Pointer(const QStringList& actions) const { Run(QStringLiteral("xdotool"), actions); }
    // Weston's X11 back end moves its pointer by the X pointer's motion. On a loaded machine it
    // may miss where the X pointer was and start from 0,0, and every click then lands that far
    // off; pushed into the far corner and then into the near one, both pointers meet at 0,0.
    void AlignPointers() const {
        Pointer({"mousemove", "1279", "799", "sleep", "0.2", "mousemove", "0", "0", "sleep", "0.2"});
    }
    QImage Screenshot(const QString& file) const {
        Run(QLatin1String(kImport), {"-window", "root", file});
        return QImage(file);
    }

  private:
    QProcess server_;
    QString display_;
    QString authority_;
};

bool Near(QRgb pixel, QColor expected, int tolerance = 6) {
    const QColor got(pixel);
    return std::abs(got.red() - expected.red()) <= tolerance &&
           std::abs(got.green() - expected.green()) <= tolerance &&
           std::abs(got.blue() - expected.blue()) <= tolerance;
}

// The main window's top left: the first row (below Weston's panel) with 520 white pixels in a
// row, which only the main window's white top edge has.
std::optional<QPoint> FindMainWindow(const QImage& image) {
    for (int y = 32; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = Near(image.pixel(x, y), Qt::white, 0) ? run + 1 : 0;
            if (run == 520) return QPoint(x - 519, y);
        }
    }
    return std::nullopt;
}

// The list window's top left: where its accent-green top border (250 pixels) meets its left
// border. Only the top of the left border is asked for: the player may be raised over the rest.
std::optional<QPoint> FindListWindow(const QImage& image) {
    const auto accent = [&](int x, int y) { return Near(image.pixel(x, y), kAccent); };
    for (int y = 0; y + 60 < image.height(); ++y)
        for (int x = 0; x + 249 < image.width(); ++x) {
            bool corner = accent(x, y);
            for (int i = 1; corner && i < 250; ++i)
                corner = accent(x + i, y);
            for (int i = 1; corner && i < 60; ++i)
                corner = accent(x, y + i);
            if (corner) return QPoint(x, y);
        }
    return std::nullopt;
}

TEST(Weston, BothWindowsShowTheWindowDragsAndTheCloseButtonEndsWithinASecond) {
    for (const char* tool : {"/usr/bin/weston", "/usr/bin/xvfb-run", "/usr/bin/xdotool", kImport})
        if (!QFile::exists(tool)) VELDO_SKIP_OR_FAIL(tool << " missing");
    if (QDir("/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms")
            .entryList({"libqwayland-*.so"})
            .isEmpty())
        VELDO_SKIP_OR_FAIL("Qt's Wayland platform (qt6-wayland) missing");
    VirtualScreen screen;
    ASSERT_FALSE(screen.display().isEmpty());
    testing::TempDir runtime; // mode 0700, as Wayland wants of XDG_RUNTIME_DIR
    const QString runtimeDir = QString::fromStdString(runtime.path().string());
    const QString socket = QStringLiteral("veldo-test-%1").arg(getpid());
    const auto shot = [&](const char* name) {
        return screen.Screenshot(runtimeDir + "/" + name + ".png");
    };

    QProcessEnvironment environment = screen.Environment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    QProcess weston;
    weston.setProcessEnvironment(environment);
    weston.setStandardOutputFile(runtimeDir + "/weston.log");
    weston.setStandardErrorFile(runtimeDir + "/weston.log");
    weston.start(QStringLiteral("weston"),
                 {"--backend=x11-backend.so", "--use-pixman", "--width=1280", "--height=800",
                  "--idle-time=0", "--socket=" + socket});
    const auto shortly = [] { QThread::msleep(200); };
    testing::WaitUntil([&] { return QFile::exists(runtimeDir + "/" + socket); },
                       std::chrono::seconds(20), shortly);
    ASSERT_TRUE(QFile::exists(runtimeDir + "/" + socket)) << [&] {
        QFile log(runtimeDir + "/weston.log");
        log.open(QIODevice::ReadOnly);
        return log.readAll().toStdString();
    }();

    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("XAUTHORITY"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    QProcess player;
    player.setProcessEnvironment(environment);
    player.start(QStringLiteral(VELDO_PLAYER), {});

    // The main window shows where Weston put it.
    std::optional<QPoint> main;
    testing::WaitUntil([&] { return bool(main = FindMainWindow(shot("start"))); },
                       std::chrono::seconds(30), shortly);
    ASSERT_TRUE(main) << "no main window on the screen";
    const auto at = [&](int x, int y) {
        return QStringList{"mousemove", QString::number(main->x() + x),
                           QString::number(main->y() + y)};
    };

    screen.AlignPointers();
    // The list button opens the list window where Weston puts it, often over the player (no
    // site runs, so its list stays empty).
    // A click that arrives before Weston has given the new window the pointer is lost; another
    // click only raises an open list window, so the click is made again until the window shows.
    std::optional<QPoint> list;
    int looks = 0;
    testing::WaitUntil(
        [&] {
            if (looks++ % 10 == 0) screen.Pointer(at(553, 115) + QStringList{"click", "1"});
            return bool(list = FindListWindow(shot("list")));
        },
        std::chrono::seconds(20), shortly);
    ASSERT_TRUE(list) << "no list window on the screen";

    // Its title drags it beside the player; then the player's free area drags the player away
    // from it. Each drag is a press held while the pointer moves in four steps.
    const auto drag = [&](QPoint from, QPoint by) {
        const auto to = [](QPoint p) {
            return QStringList{"mousemove", QString::number(p.x()), QString::number(p.y())};
        };
        screen.Pointer(to(from) + QStringList{"sleep", "0.3", "mousedown", "1", "sleep", "0.3"});
        for (int step = 1; step <= 4; ++step)
            screen.Pointer(to(from + by * step / 4) + QStringList{"sleep", "0.15"});
        screen.Pointer({"mouseup", "1"});
    };
    const bool listGoesLeft = main->x() >= 260;
    const QPoint listTarget = *main + QPoint(listGoesLeft ? -260 : 590, -40);
    drag(*list + QPoint(120, 12), listTarget - *list);
    testing::WaitUntil([&] { return (list = FindListWindow(shot("list-dragged"))) == listTarget; },
                       std::chrono::seconds(5), shortly);
    EXPECT_EQ(list, listTarget) << "the title did not drag the list window";
    EXPECT_EQ(FindMainWindow(shot("both")), main) << "both windows do not show";

    const QPoint by(listGoesLeft ? 60 : -60, 90);
    drag(*main + QPoint(450, 100), by);
    std::optional<QPoint> moved;
    testing::WaitUntil([&] { return (moved = FindMainWindow(shot("main-dragged"))) != main; },
                       std::chrono::seconds(5), shortly);
    ASSERT_TRUE(moved);
    EXPECT_EQ(*moved, *main + by) << "the free area did not drag the player";
    main = moved;

    // The close button ends the program at once with code 0: within a second alone, three
    // allowed for a loaded machine.
    screen.Pointer(at(560, 12) + QStringList{"click", "1"});
    const bool ended = player.waitForFinished(3000);
    if (!ended) {
        player.kill();
        player.waitForFinished();
    }
    EXPECT_TRUE(ended) << "still running three seconds after the click";
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    // No warning for every step of the fade-in, which Wayland cannot show.
    EXPECT_FALSE(player.readAllStandardError().contains("opacity"));

    weston.terminate();
    if (!weston.waitForFinished(5000)) weston.kill();
}

} // namespace
} // namespace veldo
