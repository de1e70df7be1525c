// The real player under Xvfb, driven with the mouse through xdotool against the sample site on
// the build's own ports: open the list, double-click the first sound, hear it (SDL's disk
// driver), press download and find the file. The player runs from a copy in a temporary
// folder, so its musics folder lands there. Skipped where xvfb-run, xdotool or ImageMagick are
// missing, or when the build's ports are taken (a sample site already running).
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
const char kScript[] = R"(
set -u
"$PLAYER" & pid=$!
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
xdotool mousemove 760 237 click 1
for i in $(seq 1 100); do
  ls "$RUNDIR"/musics/*.mp3 >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
xdotool key Return
sleep 0.5
kill $pid
sleep 2
kill -9 $pid 2>/dev/null
wait $pid 2>/dev/null
echo finished
)";

TEST(XvfbEndToEnd, ListDoubleClickPlaysAndDownloadSavesTheFile) {
    for (const char* tool : {"/usr/bin/xvfb-run", "/usr/bin/xdotool", kImport})
        if (!QFile::exists(tool)) GTEST_SKIP() << tool << " missing";
    SampleSite site;
    if (!site.Start(PortOf(kPageHost), PortOf(kInfoHost)))
        GTEST_SKIP() << "the build's site ports are taken";

    // The site makes each MP3 on its first request; make the first sound's now, so that a busy
    // machine spends that time before the clock of the script starts rather than inside it.
    const SampleSound& first = site.catalogue().front();
    const std::string served = FetchUrlBytes("http://" + site.PageHost() + Mp3Path(first));
    ASSERT_FALSE(served.empty());

    testing::TempDir runDirectory;
    const auto player = runDirectory.path() / "veldo";
    std::filesystem::copy_file(VELDO_PLAYER, player);
    const auto speaker = runDirectory.path() / "speaker.raw";
    const char* shot = std::getenv("VELDO_SCREENSHOT"); // where to keep a picture, if wanted

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert("SDL_AUDIODRIVER", "disk");
    environment.insert("SDL_DISKAUDIOFILE", QString::fromStdString(speaker.string()));
    environment.remove("SDL_DISKAUDIODELAY");
    environment.insert("PLAYER", QString::fromStdString(player.string()));
    environment.insert("RUNDIR", QString::fromStdString(runDirectory.path().string()));
    environment.insert("IMPORT", kImport);
    if (shot != nullptr) environment.insert("SHOT", shot);
    QProcess run;
    run.setProcessEnvironment(environment);
    run.start("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "bash", "-c", kScript});
    ASSERT_TRUE(run.waitForFinished(240000));
    const std::string output =
        run.readAllStandardOutput().toStdString() + run.readAllStandardError().toStdString();
    ASSERT_NE(output.find("finished"), std::string::npos) << output;

    // The first listed sound reached the speaker.
    const auto pcm = testing::ReadPcmFile(speaker);
    EXPECT_GT(testing::AudibleLeftChannel(pcm, 2, 500).size(), 44100u) << output;
    EXPECT_EQ(site.InfoRequests().size(), 1u);

    // And its file holds exactly the served MP3.
    const auto saved = runDirectory.path() / "musics" / (first.name + ".mp3");
    EXPECT_TRUE(testing::ReadFileBytes(saved) == served) << output;
}

} // namespace
} // namespace veldo
