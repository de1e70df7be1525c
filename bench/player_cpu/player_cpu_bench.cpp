// The whole player's CPU use while a sound plays with the spectrum running, beside veldo-play
// (the engine alone) on the same file, and the player's peak memory beside an empty Qt
// window's. Each program runs as a child process; its CPU is read from /proc over 20 seconds
// after a 3-second start, its peak RSS from wait4 when it is ended. Needs an X display
// (scripts/bench runs it under xvfb-run) and SDL_AUDIODRIVER=dummy.
// Threads: the main thread runs the benchmarks; the tests' local server serves the MP3.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/figure_line.h"
#include "sample_site/mp3_encoder.h"
#include "support/mp3_server.h"

namespace {

constexpr int kStartSeconds = 3;
constexpr int kMeasureSeconds = 20;

struct ChildFigures {
    double cpuPerWall = 0; // CPU seconds per wall second during the measured span
    double peakRssMb = 0;
    bool ok = false;
    std::string output; // what the program printed
};

ChildFigures player, engineAlone, emptyWindow;

// 30 seconds of notes, half a second each, over a wide range so that the bars keep moving.
std::string MusicMp3() {
    const double notes[] = {220, 440, 659, 880, 1319, 1760, 2637, 3520, 5274, 330, 587, 1175};
    std::vector<int16_t> pcm;
    for (int i = 0; i < 60; ++i) {
        const auto note = veldo::SineTone(notes[i % 12], 0.5, 0.2 + 0.05 * (i % 7));
        pcm.insert(pcm.end(), note.begin(), note.end());
    }
    return veldo::EncodeMp3(pcm);
}

// utime + stime of a process, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t end = stat.rfind(')'); // the command name may hold spaces
    if (end == std::string::npos) return 0;
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

ChildFigures RunChild(const std::vector<std::string>& command, int measureSeconds) {
    ChildFigures figures;
    char outputPath[] = "/tmp/player-cpu-bench-XXXXXX";
    const int outputFile = mkstemp(outputPath);
    if (outputFile < 0) return figures;
    const pid_t pid = fork();
    if (pid < 0) return figures;
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& part : command)
            argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        dup2(outputFile, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(kStartSeconds));
    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = CpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(measureSeconds));
    const double cpu1 = CpuSeconds(pid);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    int status = 0;
    struct rusage usage {};
    const bool stillRunning = waitpid(pid, &status, WNOHANG) == 0;
    kill(pid, SIGKILL);
    wait4(pid, &status, 0, &usage);
    figures.cpuPerWall = (cpu1 - cpu0) / wall;
    figures.peakRssMb = double(usage.ru_maxrss) / 1024.0;
    figures.ok = stillRunning;
    std::ifstream output(outputPath);
    figures.output.assign(std::istreambuf_iterator<char>(output), std::istreambuf_iterator<char>());
    close(outputFile);
    unlink(outputPath);
    return figures;
}

void Report(benchmark::State& state, ChildFigures& into, const std::vector<std::string>& command,
            int measureSeconds) {
    if (!std::getenv("DISPLAY") && command[0] != VELDO_PLAY_TOOL) {
        state.SkipWithError("no X display: run scripts/bench player_cpu_bench");
        return;
    }
    for (auto _ : state) {
        into = RunChild(command, measureSeconds);
    }
    if (!into.ok) state.SkipWithError("the program ended before the measurement did");
    // The probe prints the stream handle it got: 0 would measure a player playing nothing.
    if (into.output.rfind("playing 0", 0) == 0) state.SkipWithError("the stream did not open");
    state.counters["cpu_pct_of_core"] = into.cpuPerWall * 100;
    state.counters["peak_rss_MB"] = into.peakRssMb;
}

std::string musicUrl;

void BM_VeldoPlayEngineAlone(benchmark::State& state) {
    Report(state, engineAlone, {VELDO_PLAY_TOOL, "--quiet", musicUrl}, kMeasureSeconds);
}
void BM_WholePlayerPlayingWithSpectrum(benchmark::State& state) {
    Report(state, player, {VELDO_PLAYER_PROBE, musicUrl}, kMeasureSeconds);
}
void BM_EmptyQtWindow(benchmark::State& state) {
    Report(state, emptyWindow, {VELDO_PLAYER_PROBE, "--empty"}, 5);
}

BENCHMARK(BM_VeldoPlayEngineAlone)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_WholePlayerPlayingWithSpectrum)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_EmptyQtWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    veldo::testing::LocalServer server;
    veldo::testing::ServeFile(server, "/music.mp3", {MusicMp3()});
    server.Start();
    musicUrl = server.Url("/music.mp3");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    using veldo::bench::FormatMegabytes;
    using veldo::bench::PrintFigure;
    PrintFigure("Whole player CPU, sound playing with spectrum", player.cpuPerWall * 100,
                "% of one core", "veldo-play on the same file", engineAlone.cpuPerWall * 100,
                "< 2 % of one core", FormatMegabytes(player.peakRssMb));
    PrintFigure("Whole player peak RSS while playing", player.peakRssMb, "MB", "empty Qt window",
                emptyWindow.peakRssMb, "<= +20 MB", FormatMegabytes(player.peakRssMb));
    std::printf("\nCPU while playing (per cent of one core, %d s after a %d s start):\n",
                kMeasureSeconds, kStartSeconds);
    std::printf("  whole player %.2f %%   veldo-play %.2f %%   ratio %.2f   goal < 2 %%\n",
                player.cpuPerWall * 100, engineAlone.cpuPerWall * 100,
                engineAlone.cpuPerWall > 0 ? player.cpuPerWall / engineAlone.cpuPerWall : 0.0);
    std::printf("Peak RSS:\n  whole player %.1f MB   empty Qt window %.1f MB   difference %.1f MB"
                "   goal <= 20 MB\n",
                player.peakRssMb, emptyWindow.peakRssMb, player.peakRssMb - emptyWindow.peakRssMb);
    return 0;
}
