// How often each program wakes: the context switches of all its threads (voluntary and not,
// from /proc/PID/task/*/status) per second over kMeasureSeconds. The whole player at rest
// (nothing played) and paused, beside an empty Qt window measured the same way; veldo-play
// while playing, beside mpv on the same file and the same sound server. Under a PulseAudio
// server of its own with a null sink when pulseaudio is installed (the driver a desktop uses,
// and one that keeps a paused device awake), else under SDL's driver as given. Needs an X
// display (scripts/bench runs it under xvfb-run).
// Threads: the main thread runs the benchmarks; the tests' local server serves the MP3.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/figure_line.h"
#include "sample_site/mp3_encoder.h"
#include "support/child_process.h"
#include "support/mp3_server.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace {

constexpr int kMeasureSeconds = 5;

struct Wakeups {
    double perSecond = -1; // -1: the program ended or never ran
};

Wakeups playerAtRest, playerPaused, emptyWindow, veldoPlay, mpv;
std::string musicUrl;
bool pulse = false; // a PulseAudio server of this program's runs

// Context switches of every thread of `pid` so far. A thread that ended took its count along;
// the programs measured keep their threads while they idle or play.
long long ContextSwitches(pid_t pid) {
    long long sum = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                sum += std::stoll(line.substr(line.find(':') + 1));
    }
    return sum;
}

// Starts `command` (its output to /dev/null), lets it settle for `settleSeconds`, counts its
// wakeups, ends it.
Wakeups Measure(const std::vector<std::string>& command, int settleSeconds) {
    const pid_t pid = fork();
    if (pid < 0) return {};
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& part : command)
            argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(settleSeconds));
    const auto start = std::chrono::steady_clock::now();
    const long long before = ContextSwitches(pid);
    std::this_thread::sleep_for(std::chrono::seconds(kMeasureSeconds));
    const long long after = ContextSwitches(pid);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    int status = 0;
    const bool ran = waitpid(pid, &status, WNOHANG) == 0;
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
    return {ran ? double(after - before) / seconds : -1};
}

void Run(benchmark::State& state, Wakeups& into, const std::vector<std::string>& command,
         int settleSeconds) {
    for (auto _ : state)
        into = Measure(command, settleSeconds);
    if (into.perSecond < 0) state.SkipWithError("the program ended before the measurement did");
    state.counters["wakeups_per_s"] = into.perSecond;
}

// The player settles for 4 s: start-up, and the engine's 2 s to close its device.
void BM_EmptyQtWindow(benchmark::State& state) {
    Run(state, emptyWindow, {VELDO_PLAYER_PROBE, "--empty"}, 4);
}
void BM_PlayerAtRest(benchmark::State& state) {
    Run(state, playerAtRest, {VELDO_PLAYER_PROBE, "--rest"}, 4);
}
void BM_PlayerPaused(benchmark::State& state) {
    Run(state, playerPaused, {VELDO_PLAYER_PROBE, "--paused", musicUrl}, 5);
}
void BM_VeldoPlayPlaying(benchmark::State& state) {
    Run(state, veldoPlay, {VELDO_PLAY_TOOL, "--quiet", musicUrl}, 2);
}
void BM_MpvPlaying(benchmark::State& state) {
    Run(state, mpv,
        {"/usr/bin/mpv", "--no-video", "--really-quiet", pulse ? "--ao=pulse" : "--ao=null",
         musicUrl},
        2);
}

BENCHMARK(BM_EmptyQtWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PlayerAtRest)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PlayerPaused)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_VeldoPlayPlaying)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_MpvPlaying)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A PulseAudio server with one null sink, in a runtime folder of its own (as the sound-server
// test starts it), for this program and its children. False where it cannot start.
bool StartPulse(veldo::testing::ChildProcess& server, const std::filesystem::path& runtime) {
    if (!std::filesystem::exists("/usr/bin/pulseaudio")) return false;
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("HOME", runtime.c_str(), 1);
    if (!server.Start({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                       "--load=module-null-sink sink_name=vsink",
                       "--load=module-native-protocol-unix",
                       "--load=module-suspend-on-idle timeout=1"}))
        return false;
    if (!veldo::testing::WaitUntil(
            [&] { return std::filesystem::exists(runtime / "pulse" / "native"); },
            std::chrono::seconds(20)))
        return false;
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    return true;
}

// 30 seconds of notes, half a second each.
std::string MusicMp3() {
    const double notes[] = {220, 440, 659, 880, 1319, 1760, 2637, 3520, 5274, 330, 587, 1175};
    std::vector<int16_t> pcm;
    for (int i = 0; i < 60; ++i) {
        const auto note = veldo::SineTone(notes[i % 12], 0.5, 0.3);
        pcm.insert(pcm.end(), note.begin(), note.end());
    }
    return veldo::EncodeMp3(pcm);
}

} // namespace

int main(int argc, char** argv) {
    veldo::testing::TempDir folder;
    veldo::testing::ChildProcess server;
    pulse = StartPulse(server, folder.path() / "runtime");
    const std::string driver = pulse ? "PulseAudio null sink" : "SDL_AUDIODRIVER as given";
    veldo::testing::LocalServer site;
    veldo::testing::ServeFile(site, "/music.mp3", {MusicMp3()});
    site.Start();
    musicUrl = site.Url("/music.mp3");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    server.Signal(SIGTERM);

    using veldo::bench::PrintFigure;
    PrintFigure("Whole player wakeups a second at rest, nothing played (" + driver + ")",
                playerAtRest.perSecond, "/s", "empty 580x200 Qt window", emptyWindow.perSecond,
                "<= 1 /s");
    PrintFigure("Whole player wakeups a second while paused (" + driver + ")",
                playerPaused.perSecond, "/s", "empty 580x200 Qt window", emptyWindow.perSecond,
                "<= 1 /s");
    PrintFigure("veldo-play wakeups a second while playing (" + driver + ")", veldoPlay.perSecond,
                "/s",
                std::string("mpv --no-video --ao=") + (pulse ? "pulse" : "null") + ", same file",
                mpv.perSecond);
    return 0;
}
