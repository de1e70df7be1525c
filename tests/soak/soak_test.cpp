// veldo-soak [SOUNDS [SECONDS]]: loads and plays SOUNDS sounds (default 500) one after another,
// SECONDS each (default 2), through the list window's double-click against an in-process
// sample site, on SDL's dummy driver with the progress and spectrum timers running. Resident
// memory, threads (/proc/self/task) and open descriptors (/proc/self/fd) are taken between
// sounds after the first 50 and after the last; the run fails when memory grew by 10% or more
// or a thread or descriptor was left behind. Run by scripts/soak, not by ctest.
//
// Threads: everything here runs on the UI thread; the sample site and the audio engine keep
// their own threads, which are what the counts watch.
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/list_window.h"
#include "app/main_window.h"
#include "platform/audio/bass.h"
#include "platform/net/url_fetch.h"
#include "player/playback_control.h"
#include "sample_site/sample_site.h"
#include "site/exploration_list.h"
#include "site/site_address.h"
#include "state/program_state.h"
#include "support_gui/events_until.h"

namespace {

using veldo::testing::ProcessEventsFor;

struct Usage {
    long rssKb = 0;
    long threads = 0;
    long fds = 0;
};

long CountEntries(const char* folder) {
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

Usage Measure() {
    Usage usage;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) usage.rssKb = std::atol(line.c_str() + 6);
    usage.threads = CountEntries("/proc/self/task");
    usage.fds = CountEntries("/proc/self/fd") - 1; // the iterator's own descriptor
    return usage;
}

void Print(const char* when, const Usage& usage) {
    std::printf("%-22s RSS %7ld kB   threads %3ld   descriptors %3ld\n", when, usage.rssKb,
                usage.threads, usage.fds);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    const int sounds = argc > 1 ? std::atoi(argv[1]) : 500;
    const int secondsEach = argc > 2 ? std::atoi(argv[2]) : 2;
    constexpr int kWindow = 50; // sounds in the first and in the last measurement
    if (sounds < 2 * kWindow || secondsEach < 1) {
        std::fprintf(stderr, "usage: veldo-soak [SOUNDS >= 100 [SECONDS >= 1]]\n");
        return 2;
    }

    veldo::SampleSite site;
    if (!site.Start()) {
        std::fprintf(stderr, "the sample site cannot start\n");
        return 1;
    }
    veldo::SetSiteHostsForTesting(site.PageHost(), site.InfoHost());
    // Page 1's fifteen sounds are made once and then served from memory.
    site.PrepareInBackground(15);
    veldo::InitialiseProgramState();
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "no audio device\n");
        return 1;
    }
    auto* window = new veldo::MainWindow();
    window->show();
    veldo::OpenListWindow();
    if (veldo::listWindow == nullptr || veldo::listWindow->列表框1->count() == 0) {
        std::fprintf(stderr, "the list window shows no sounds\n");
        return 1;
    }
    QListWidget* list = veldo::listWindow->列表框1;
    const int listed = list->count();
    for (int row = 0; row < listed; ++row) {
        const std::string& entry = veldo::explorationEntries[static_cast<size_t>(row)];
        const std::string id = entry.substr(0, entry.find('"'));
        veldo::FetchUrlBytes("http://" + site.PageHost() + "/media/" + id + ".mp3");
    }

    Usage afterFirst;
    int silent = 0;
    QElapsedTimer clock;
    clock.start();
    for (int sound = 1; sound <= sounds; ++sound) {
        list->setCurrentRow((sound - 1) % listed);
        veldo::OnListEntryChosen(); // what the double-click runs
        if (BASS_ChannelIsActive(veldo::currentStream) != BASS_ACTIVE_PLAYING) ++silent;
        ProcessEventsFor(secondsEach * 1000);
        veldo::ResetPlayer();
        if (sound == kWindow || sound == sounds) {
            ProcessEventsFor(500);
            const Usage now = Measure();
            Print(sound == kWindow ? "after the first 50" : "after the last", now);
            if (sound == kWindow) afterFirst = now;
        }
        if (sound % 50 == 0) {
            std::printf("%4d sounds, %lld s\n", sound, clock.elapsed() / 1000);
            std::fflush(stdout);
        }
    }
    const Usage last = Measure();
    const double growth = 100.0 * double(last.rssKb - afterFirst.rssKb) / double(afterFirst.rssKb);
    std::printf("memory growth %.1f%%, threads %+ld, descriptors %+ld, sounds that did not "
                "play %d of %d\n",
                growth, last.threads - afterFirst.threads, last.fds - afterFirst.fds, silent,
                sounds);

    delete veldo::listWindow;
    delete window;
    BASS_Free();
    site.Stop();
    const bool passed = growth < 10.0 && growth > -10.0 && last.threads <= afterFirst.threads &&
                        last.fds <= afterFirst.fds && silent == 0;
    std::printf("%s\n", passed ? "PASSED" : "FAILED");
    return passed ? 0 : 1;
}
