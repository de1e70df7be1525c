// Time from process start to the main window's first paint, median of 20 runs, beside the floor:
// a minimal Qt Widgets program showing an empty 580 x 200 window, measured the same way. Runs
// of the two programs alternate, so load on the machine falls on both alike. Each run is a
// fresh process started here with posix_spawn; its figure is the CLOCK_BOOTTIME it prints at
// first paint minus the CLOCK_BOOTTIME read just before the spawn. The probe's own figure, from
// /proc/self/stat's start time (10 ms ticks), is printed beside it as a check. Peak RSS and the
// CPU time used up to the first paint (the probes end right after it) come from wait4. Needs an X
// display (scripts/bench runs it under xvfb-run). Threads: the benchmark thread starts each child
// and reads its output; a watchdog thread per child kills it after the time limit. They share only
// the atomic flag that the child ended.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../figure_line.h"
#include "boot_clock.h"

extern char** environ;

namespace {

constexpr int kRuns = 20;
constexpr int kTimeLimitSeconds = 30;

struct Run {
    bool ok = false;
    double spawnToPaintMs = 0; // measured here
    double processAgeMs = 0;   // reported by the program from /proc/self/stat
    double peakRssMb = 0;
    double cpuMs = 0; // user + system, start to end (it ends right after the first paint)
};

Run StartAndWait(const char* program) {
    Run run;
    int out[2];
    if (pipe(out) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program), nullptr};
    const long long spawnedAt = veldo::bench::BootTimeNanoseconds();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    // The child's line arrives before it ends; a child that never paints is killed.
    std::atomic<bool> ended{false};
    std::thread watchdog([pid, &ended] {
        for (int i = 0; i < kTimeLimitSeconds * 100 && !ended; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!ended) kill(pid, SIGKILL);
    });
    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(got));
    close(out[0]);
    ended = true; // its output closed: it has ended or is ending
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    watchdog.join();
    long long paintedAt = 0;
    double age = 0;
    const size_t at = text.find("first-paint ");
    const bool reported =
        at != std::string::npos &&
        std::sscanf(text.c_str() + at, "first-paint %lld %lf", &paintedAt, &age) == 2;
    run.spawnToPaintMs = double(paintedAt - spawnedAt) / 1e6;
    run.processAgeMs = age;
    run.peakRssMb = double(usage.ru_maxrss) / 1024.0;
    run.cpuMs = 1e3 * double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                1e-3 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    run.ok = reported && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Series {
    std::vector<double> spawnToPaint, processAge, peakRss, cpu;
    void Add(const Run& run) {
        cpu.push_back(run.cpuMs);
        spawnToPaint.push_back(run.spawnToPaintMs);
        processAge.push_back(run.processAgeMs);
        peakRss.push_back(run.peakRssMb);
    }
};

Series player, floorWindow;
bool measured = false;

void BM_StartUpToFirstPaint(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no X display: run it through scripts/bench (xvfb-run)");
        return;
    }
    for (auto _ : state) {
        // One run of each first, not counted: it loads the libraries into the page cache.
        if (!StartAndWait(VELDO_STARTUP_FLOOR).ok || !StartAndWait(VELDO_STARTUP_PROBE).ok) {
            state.SkipWithError("a probe did not report its first paint");
            return;
        }
        for (int i = 0; i < kRuns; ++i) {
            const Run floorRun = StartAndWait(VELDO_STARTUP_FLOOR);
            const Run playerRun = StartAndWait(VELDO_STARTUP_PROBE);
            if (!floorRun.ok || !playerRun.ok) {
                state.SkipWithError("a probe did not report its first paint");
                return;
            }
            floorWindow.Add(floorRun);
            player.Add(playerRun);
        }
    }
    measured = true;
    state.counters["player_ms"] = Median(player.spawnToPaint);
    state.counters["floor_ms"] = Median(floorWindow.spawnToPaint);
    state.counters["ratio"] = Median(player.spawnToPaint) / Median(floorWindow.spawnToPaint);
    state.counters["player_cpu_ms"] = Median(player.cpu);
    state.counters["floor_cpu_ms"] = Median(floorWindow.cpu);
}
BENCHMARK(BM_StartUpToFirstPaint)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // The player opens the audio device at start; SDL's silent driver stands in for a sound card.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!measured) return 1;
    const auto range = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return veldo::bench::FormatFigure(values.front()) + " to " +
               veldo::bench::FormatFigure(values.back());
    };
    std::printf("\nStart-up to first paint, median of %d runs (ms):\n", kRuns);
    std::printf("  player %.1f (range %s; by /proc/self/stat %.1f)\n", Median(player.spawnToPaint),
                range(player.spawnToPaint).c_str(), Median(player.processAge));
    std::printf("  floor  %.1f (range %s; by /proc/self/stat %.1f)\n",
                Median(floorWindow.spawnToPaint), range(floorWindow.spawnToPaint).c_str(),
                Median(floorWindow.processAge));
    veldo::bench::PrintFigure(
        "Start-up to first paint (median of 20, Xvfb)", Median(player.spawnToPaint), "ms",
        "empty 580x200 Qt window", Median(floorWindow.spawnToPaint), "<= 1.3",
        "player " + veldo::bench::FormatMegabytes(Median(player.peakRss)) + ", floor " +
            veldo::bench::FormatMegabytes(Median(floorWindow.peakRss)));
    // CPU time is less at the mercy of other work on the machine than wall time.
    veldo::bench::PrintFigure("CPU time to first paint (median of 20)", Median(player.cpu), "ms",
                              "empty 580x200 Qt window", Median(floorWindow.cpu), "-");
    return 0;
}
