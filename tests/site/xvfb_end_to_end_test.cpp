// The real player under Xvfb, driven with the mouse through xdotool against the sample site on
// the build's own ports: open the list, double-click the first sound, hear it (SDL's disk
// driver), press download and find the file. The player runs from a copy in a temporary
// folder, so its musics folder lands there: once from a folder named with characters GBK does
// not have, on a private session bus where playerctl sees it play and the MPRIS Quit ends it;
// once from a read-only folder (a read-only bind mount, which binds root too), whose download
// goes to the user's music folder. Skipped where xvfb-run, xdotool or ImageMagick are missing,
// or when the build's ports are taken (a sample site already running).
// First: site_pages.h declares a function SoundRecord that would hide the record type.
#include "app/program_state.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include "platform/net/url_fetch.h"
#include "sample_site/sample_site.h"
#include "sample_site/site_pages.h"
#include "site/site_hosts.h"
#include "site_fixture.h"
#include "support/pcm_analysis.h"
#include "support/temp_dir.h"

namespace veldo {
namespace {

const char kImport[] = "/usr/bin/import-im6.q16";

int PortOf(const std::string& host) {
    return std::stoi(host.substr(host.rfind(':') + 1));
}

// Window positions: the main window at 50, 50 (moved to 260, 50 once the list is open) and the
// list window at 0, 50; rows of the list start 24 pixels below its top.
const char kScript[] = R"SH(
set -u
if [ -n "${READ_ONLY:-}" ]; then
  unshare -m sh -c 'mount --bind "$RUNDIR" "$RUNDIR" && mount -o remount,bind,ro "$RUNDIR" &&
                    exec "$PLAYER"' & pid=$!
else
  "$PLAYER" & pid=$!
fi
main=$(timeout 20 xdotool search --sync --onlyvisible --classname veldo | head -1)
[ -n "$main" ] || { echo "no window"; kill -9 $pid; exit 1; }
sleep 1
xdotool mousemove 603 165 click 1
sleep 2
# Drag the player beside the list, as a user would, so that the cover is in view.
xdotool windowmove "$main" 260 50
sleep 0.5
xdotool mousemove 60 83 click --repeat 2 --delay 60 1
sleep 4
[ -n "${SHOT:-}" ] && "$IMPORT" -window root "$SHOT"
[ -n "${MPRIS:-}" ] && echo "status $(playerctl --player=veldo status)"
xdotool mousemove 760 237 click 1
for i in $(seq 1 100); do
  ls "$MUSICS"/*.mp3 >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
xdotool key Return
sleep 0.5
if [ -n "${MPRIS:-}" ]; then
  dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.veldo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit
  ( sleep 10; kill -9 $pid 2>/dev/null ) & guard=$!
  wait $pid; echo "exit $?"
  kill $guard 2>/dev/null
else
  kill $pid
  sleep 2
  kill -9 $pid 2>/dev/null
  wait $pid 2>/dev/null
fi
echo finished
)SH";

struct PlayerRun {
    const char* what;
    const char* folderName; // the program's folder
    bool readOnly;          // the folder is mounted read-only for the player
    bool sessionBus;        // a private session bus, where playerctl and Quit reach the player
};

// One run of the script; the runs share the build's site ports, so they take turns.
void RunPlayer(const PlayerRun& run) {
    SCOPED_TRACE(run.what);
    for (const char* tool : {"/usr/bin/xvfb-run", "/usr/bin/xdotool", kImport})
        if (!QFile::exists(tool)) GTEST_SKIP() << tool << " missing";
    if (run.sessionBus && !QFile::exists("/usr/bin/playerctl"))
        GTEST_SKIP() << "playerctl missing (scripts/install-deps installs it)";
    SampleSite site;
    if (!site.Start(PortOf(kPageHost), PortOf(kInfoHost)))
        GTEST_SKIP() << "the build's site ports are taken";

    // The site makes each MP3 on its first request; make the first sound's now, so that a busy
    // machine spends that time before the clock of the script starts rather than inside it.
    const SampleSound& first = site.catalogue().front();
    const std::string served = FetchUrlBytes("http://" + site.PageHost() + Mp3Path(first));
    ASSERT_FALSE(served.empty());

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
    if (run.readOnly) environment.insert("READ_ONLY", "1");
    if (run.sessionBus) environment.insert("MPRIS", "1");
    if (shot != nullptr) environment.insert("SHOT", shot);
    QStringList command = {"xvfb-run", "-a", "-s", "-screen 0 1280x800x24", "bash", "-c", kScript};
    if (run.sessionBus) command = QStringList{"dbus-run-session", "--"} + command;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(command.takeFirst(), command);
    ASSERT_TRUE(process.waitForFinished(240000));
    const std::string output = process.readAllStandardOutput().toStdString() +
                               process.readAllStandardError().toStdString();
    ASSERT_NE(output.find("finished"), std::string::npos) << output;

    // The first listed sound reached the speaker.
    const auto pcm = testing::ReadPcmFile(speaker);
    EXPECT_GT(testing::AudibleLeftChannel(pcm, 2, 500).size(), 44100u) << output;
    EXPECT_EQ(site.InfoRequests().size(), 1u);

    // And its file holds exactly the served MP3, in the folder the run promises.
    EXPECT_TRUE(testing::ReadFileBytes(musics / (first.name + ".mp3")) == served) << output;
    if (run.readOnly) {
        EXPECT_FALSE(std::filesystem::exists(runDirectory / "musics"));
    }
    if (run.sessionBus) {
        EXPECT_NE(output.find("status Playing"), std::string::npos) << output;
        EXPECT_NE(output.find("exit 0"), std::string::npos) << output; // the slide-away exit
    }
}

TEST(XvfbEndToEnd, ListDoubleClickPlaysAndDownloadSavesTheFile) {
    for (const PlayerRun& run :
         {PlayerRun{"a folder named outside GBK", "Veldo ø š 😀", false, true},
          PlayerRun{"a read-only folder", "Veldo read-only", true, false}}) {
        RunPlayer(run);
        if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;
    }
}

} // namespace
} // namespace veldo
