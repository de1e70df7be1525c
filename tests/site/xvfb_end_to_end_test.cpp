// The real player under Xvfb, with no window manager and under real ones (openbox, xfwm4),
// driven with the mouse through xdotool against the sample site on the build's own ports: its
// window appears alone at 580 x 200 where the program places it, and a screenshot shows it; then
// open the list, double-click the first sound, hear it (SDL's disk driver), press download and
// find the file; then, while "完成" is still up (the box has no owner and blocks no window), the
// program is ended, by the close button or by the MPRIS Quit, with code 0. The player runs
// from a copy in a temporary folder, so its musics folder lands there. Each run varies the
// folder too: one named with characters GBK does not have, on a private session bus where
// playerctl sees it play; a read-only one (a read-only bind mount, which binds root too), whose
// download goes to the user's music folder. ctest runs it in a network namespace of its own
// (PRIVATE_NETWORK in tests/CMakeLists.txt), so the ports are free. A run is skipped where its
// window manager is missing; the whole test where xvfb-run, xdotool or ImageMagick are
// missing, or when the build's ports are taken (VELDO_SKIP_OR_FAIL: failed under scripts/test).
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "platform/net/url_fetch.h"
#include "sample_site/sample_site.h"
#include "sample_site/site_pages.h"
#include "site/site_hosts.h"
#include "site_fixture.h"
#include "state/program_state.h"
#include "support/pcm_analysis.h"
#include "support/skip_or_fail.h"
#include "support/temp_dir.h"
#include "support_gui/window_managers.h"

namespace veldo {
namespace {

const char kImport[] = "/usr/bin/import-im6.q16";
const char kConvert[] = "/usr/bin/convert-im6.q16"; // /usr/local/bin/convert is a stand-in

// Near a colour: a compositing manager shows the window at its opacity of 250/255.
bool Near(QRgb pixel, QColor expected) {
    const QColor got(pixel);
    return std::abs(got.red() - expected.red()) <= 8 &&
           std::abs(got.green() - expected.green()) <= 8 &&
           std::abs(got.blue() - expected.blue()) <= 8;
}

int PortOf(const std::string& host) {
    return std::stoi(host.substr(host.rfind(':') + 1));
}

// Window positions: the main window at 50, 50 (moved to 260, 50 once the list is open) and the
// list window at 0, 50; rows of the list start 24 pixels below its top. Every window of the
// player is reported as "window X,Y WxH".
const char kMouseScript[] = R"SH(
set -u
windows() {
  for w in $(xdotool search --onlyvisible --classname veldo); do
    xdotool getwindowgeometry "$w" | tr '\n' ' ' |
      sed -n 's/.*Position: \([-0-9]*,[-0-9]*\).*Geometry: \([0-9x]*\).*/window \1 \2\n/p'
  done
}
if [ -n "${READ_ONLY:-}" ]; then
  unshare -m sh -c 'mount --bind "$RUNDIR" "$RUNDIR" && mount -o remount,bind,ro "$RUNDIR" &&
                    exec "$PLAYER"' & pid=$!
else
  "$PLAYER" & pid=$!
fi
main=$(timeout 60 xdotool search --sync --onlyvisible --classname veldo | head -1)
[ -n "$main" ] || { echo "no window"; kill -9 $pid; exit 1; }
# until CONDITION...: waits up to a minute for it.
until_() { for i in $(seq 1 300); do "$@" && return 0; sleep 0.2; done; echo "gave up on: $*"; }
count() { [ "$(windows | grep -c window)" = "$1" ]; }
at() { xdotool getwindowgeometry "$main" | grep -q "Position: $1"; }
# The first paint: the play button (594, 200 on the screen) no longer shows the black desktop.
painted() {
  "$IMPORT" -window root "$START_SHOT" &&
    [ "$($CONVERT "$START_SHOT" -format '%[fx:p{594,200}.g>0.5]' info:)" = 1 ]
}
# A second and a half of sound reached the speaker (16-bit stereo, left channel above 500).
heard() {
  /usr/bin/python3 -c '
import array, sys
data = open(sys.argv[1], "rb").read()
pcm = array.array("h", data[: len(data) // 4 * 4])[0::2]
loud = [i for i, v in enumerate(pcm) if abs(v) > 500]
sys.exit(0 if loud and loud[-1] - loud[0] > 66150 else 1)' "$SDL_DISKAUDIOFILE" 2>/dev/null
}
until_ painted
echo "at start:"; windows
xdotool mousemove 603 165 click 1
until_ count 2
echo "with the list:"; windows
# Drag the player beside the list, as a user would, so that the cover is in view.
xdotool windowmove "$main" 260 50
until_ at 260,50
xdotool mousemove 60 83 click --repeat 2 --delay 60 1
until_ heard
[ -n "${SHOT:-}" ] && "$IMPORT" -window root "$SHOT"
[ -n "${MPRIS:-}" ] && echo "status $(playerctl --player=veldo status)"
xdotool mousemove 760 237 click 1
saved() { ls "$MUSICS"/*.mp3 >/dev/null 2>&1; }
until_ saved
until_ count 3
echo "with the message:"; windows
if [ -n "${MPRIS:-}" ]; then
  dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.veldo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit >/dev/null
else
  xdotool mousemove 820 62 click 1
fi
)SH";
const char kAssistiveScript[] = R"SH(
/usr/libexec/at-spi-bus-launcher --launch-immediately &
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$PLAYER" & pid=$!
/usr/bin/python3 "$FLOW" "$MUSICS"
)SH";
const char kEndScript[] = R"SH(
# It ends at once: 5 s alone at most, 15 allowed for a loaded machine.
for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
kill -0 $pid 2>/dev/null && { echo "still running"; kill -9 $pid; }
wait $pid
echo "exit $?"
)SH";

// The player's windows as the script reported them after `heading`, as "X,Y WxH".
QStringList WindowsAfter(const QString& output, const QString& heading) {
    const qsizetype start = output.indexOf(heading);
    if (start < 0) return {};
    const qsizetype end = output.indexOf(QStringLiteral(":\n"), start + heading.size() + 2);
    const QString part = output.mid(start, end < 0 ? -1 : end - start);
    QStringList found;
    static const QRegularExpression line(QStringLiteral("window (\\S+ \\S+)"));
    for (auto match = line.globalMatch(part); match.hasNext();)
        found << match.next().captured(1);
    found.sort();
    return found;
}

struct PlayerRun {
    const char* manager;    // as named by WindowManagers()
    const char* folderName; // the program's folder
    bool readOnly;          // the folder is mounted read-only for the player
    bool sessionBus;        // a private session bus: playerctl sees it, the MPRIS Quit ends it
    bool assistive = false; // driven over AT-SPI alone, not with the mouse
};

const PlayerRun kRuns[] = {
    {"none", "Veldo ø š 😀", false, true},
    {"openbox", "Veldo read-only", true, false},
    {"xfwm4", "Veldo", false, false},
};

// One run of the script; the runs share the build's site ports, so they take turns.
void RunPlayer(SampleSite& site, const testing::WindowManager& manager, const PlayerRun& run,
               const std::string& served) {
    const SampleSound& first = site.catalogue().front();
    testing::TempDir scratch;
    const auto runDirectory = scratch.path() / run.folderName;
    const auto home = scratch.path() / "home";
    std::filesystem::create_directories(runDirectory);
    std::filesystem::create_directories(home);
    const auto player = runDirectory / "veldo";
    std::filesystem::copy_file(VELDO_PLAYER, player);
    const auto speaker = scratch.path() / "speaker.raw";
    const auto musics = run.readOnly ? home / "Music" / "musics" : runDirectory / "musics";
    const char* shot = std::getenv("VELDO_SCREENSHOT"); // where to keep a picture, if wanted

    const auto text = [](const std::filesystem::path& path) {
        return QString::fromStdString(path.string());
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.insert("HOME", text(home));
    environment.insert("XDG_CONFIG_HOME", text(home / ".config"));
    environment.insert("SDL_AUDIODRIVER", "disk");
    environment.insert("SDL_DISKAUDIOFILE", text(speaker));
    environment.remove("SDL_DISKAUDIODELAY");
    environment.insert("PLAYER", text(player));
    environment.insert("RUNDIR", text(runDirectory));
    environment.insert("MUSICS", text(musics));
    environment.insert("IMPORT", kImport);
    environment.insert("CONVERT", kConvert);
    const auto startShot = scratch.path() / "start.png";
    environment.insert("START_SHOT", text(startShot));
    if (run.readOnly) environment.insert("READ_ONLY", "1");
    if (run.sessionBus) environment.insert("MPRIS", "1");
    environment.insert("FLOW", VELDO_ACCESSIBILITY_FLOW);
    if (shot != nullptr) environment.insert("SHOT", QString(shot) + "." + manager.name + ".png");
    const auto infoRequestsBefore = site.InfoRequests().size();
    const char* drive = run.assistive ? kAssistiveScript : kMouseScript;
    QStringList command = {"xvfb-run", "-a", "-s", "-screen 0 1280x800x24", "bash", "-c",
                           testing::StartWindowManagerScript(manager) + drive + kEndScript};
    if (run.sessionBus || run.assistive) command = QStringList{"dbus-run-session", "--"} + command;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(command.takeFirst(), command);
    ASSERT_TRUE(process.waitForFinished(240000));
    const QString output =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    const std::string shown = output.toStdString();
    EXPECT_FALSE(output.contains("window manager not ready")) << shown;
    EXPECT_FALSE(output.contains("gave up on")) << shown;

    // At start the player alone, 580 x 200 at 50, 50: white inside, the accent green in its
    // play button, and the desktop (black under Xvfb) just outside.
    // (The screen-reader run takes no pictures: it looks only through AT-SPI.)
    if (!run.assistive) {
        EXPECT_EQ(WindowsAfter(output, "at start"), QStringList{"50,50 580x200"}) << shown;
        const QImage start(text(startShot));
        ASSERT_EQ(start.size(), QSize(1280, 800)) << shown;
        EXPECT_TRUE(Near(start.pixel(50 + 300, 50 + 130), Qt::white));
        EXPECT_TRUE(Near(start.pixel(50 + 544, 50 + 150), QColor(128, 224, 0)));
        EXPECT_TRUE(Near(start.pixel(40, 40), Qt::black));
        EXPECT_TRUE(Near(start.pixel(50 + 590, 50 + 100), Qt::black));
    }

    // Both windows where the program places them: the list at the left edge.
    EXPECT_EQ(WindowsAfter(output, "with the list"),
              (QStringList{"0,50 250x305", "50,50 580x200"}))
        << shown;
    // The first listed sound reached the speaker, and its file holds exactly the served MP3,
    // in the folder the run promises.
    const auto pcm = testing::ReadPcmFile(speaker);
    EXPECT_GT(testing::AudibleLeftChannel(pcm, 2, 500).size(), 44100u) << shown;
    EXPECT_EQ(site.InfoRequests().size(), infoRequestsBefore + 1);
    EXPECT_TRUE(testing::ReadFileBytes(musics / (first.name + ".mp3")) == served) << shown;
    if (run.readOnly) EXPECT_FALSE(std::filesystem::exists(runDirectory / "musics"));
    if (run.sessionBus) EXPECT_TRUE(output.contains("status Playing")) << shown;
    // "完成" is up beside the two windows, and the program still ends, with the slide-away exit.
    EXPECT_EQ(WindowsAfter(output, "with the message").size(), 3) << shown;
    EXPECT_TRUE(output.contains("exit 0")) << shown;
    EXPECT_TRUE(!run.assistive || output.contains("flow done")) << shown;
}

TEST(XvfbEndToEnd, ListPlaysDownloadSavesAndTheProgramEndsUnderEachWindowManager) {
    for (const char* tool :
         {"/usr/bin/xvfb-run", "/usr/bin/xdotool", "/usr/bin/playerctl", kImport, kConvert})
        if (!QFile::exists(tool)) VELDO_SKIP_OR_FAIL(tool << " missing");
    SampleSite site;
    if (!site.Start(PortOf(kPageHost), PortOf(kInfoHost)))
        VELDO_SKIP_OR_FAIL("the build's site ports are taken");

    // The site makes each MP3 on its first request; make the first sound's now, so that a busy
    // machine spends that time before the clock of the script starts rather than inside it.
    const SampleSound& first = site.catalogue().front();
    const std::string served = FetchUrlBytes("http://" + site.PageHost() + Mp3Path(first));
    ASSERT_FALSE(served.empty());

    QStringList missing;
    for (const PlayerRun& run : kRuns) {
        for (const testing::WindowManager& manager : testing::WindowManagers()) {
            if (manager.name != QLatin1String(run.manager)) continue;
            SCOPED_TRACE(manager.name.toStdString() + ", " + run.folderName);
            if (!manager.Installed()) {
                missing << manager.program;
                continue;
            }
            RunPlayer(site, manager, run, served);
        }
    }
    if (!missing.isEmpty())
        VELDO_SKIP_OR_FAIL("not installed: " << missing.join(", ").toStdString());
}

// Only what a screen reader uses: AT-SPI actions and keys (accessibility_flow.py), under openbox.
TEST(XvfbEndToEnd, ScreenReaderToolsAndKeysAloneListPlayPauseDownloadAndClose) {
    for (const char* tool : {"/usr/bin/openbox", "/usr/libexec/at-spi-bus-launcher",
                             "/usr/lib/python3/dist-packages/pyatspi/__init__.py"})
        if (!QFile::exists(tool)) VELDO_SKIP_OR_FAIL(tool << " missing");
    SampleSite site;
    if (!site.Start(PortOf(kPageHost), PortOf(kInfoHost)))
        VELDO_SKIP_OR_FAIL("the build's site ports are taken");
    const std::string served =
        FetchUrlBytes("http://" + site.PageHost() + Mp3Path(site.catalogue().front()));
    ASSERT_FALSE(served.empty());
    RunPlayer(site, testing::WindowManagers()[1], {"openbox", "Veldo", false, false, true}, served);
}

} // namespace
} // namespace veldo
