// Time from process start to the main window's first paint, median of 20 runs, beside the floor:
// a minimal Qt Widgets program showing an empty 580 x 200 window, measured the same way. Runs
// of the two programs alternate, so load on the machine falls on both alike. Each run is a
// fresh process started here with posix_spawn; its figure is the CLOCK_BOOTTIME it prints at
// first paint minus the CLOCK_BOOTTIME read just before the spawn. The probe's own figure, from
// /proc/self/stat's start time (10 ms ticks), is printed beside it as a check. Peak RSS and the
// CPU time used up to the first paint (the probes end right after it) come from wait4. Every
// pair is measured twice: without a session bus (as under a bare X server) and with one that
// the benchmark starts, as a desktop session has (dbus-run-session does the same). Needs an X
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
#include <cstring>
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

Run StartAndWait(const char* program, char** environment) {
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
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environment);
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

Series player, floorWindow;     // no session bus, as under a bare X server
Series playerOnBus, floorOnBus; // with a session bus, as on a desktop
bool measured = false;

// A D-Bus session bus of this run's own, as dbus-run-session starts one: the environment to hand
// the programs, with DBUS_SESSION_BUS_ADDRESS set. The daemon ends with the benchmark.
class SessionBus {
  public:
    bool Start() {
        std::FILE* daemon =
            popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (!daemon) return false;
        char address[512] = {}, pid[32] = {};
        const bool read =
            std::fgets(address, sizeof address, daemon) && std::fgets(pid, sizeof pid, daemon);
        pclose(daemon);
        if (!read) return false;
        address[std::strcspn(address, "\n")] = 0;
        pid_ = std::atoi(pid);
        for (char** entry = environ; *entry; ++entry)
            if (std::strncmp(*entry, "DBUS_SESSION_BUS_ADDRESS=", 25) != 0)
                texts_.push_back(*entry);
        texts_.push_back(std::string("DBUS_SESSION_BUS_ADDRESS=") + address);
        for (std::string& text : texts_)
            pointers_.push_back(text.data());
        pointers_.push_back(nullptr);
        return pid_ > 0;
    }
    ~SessionBus() {
        if (pid_ > 0) kill(pid_, SIGTERM);
    }
    char** Environment() { return pointers_.data(); }

  private:
    pid_t pid_ = 0;
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};

// The environment without a session bus, as xvfb-run gives it.
std::vector<char*> WithoutBus() {
    std::vector<char*> entries;
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "DBUS_SESSION_BUS_ADDRESS=", 25) != 0) entries.push_back(*entry);
    entries.push_back(nullptr);
    return entries;
}

void BM_StartUpToFirstPaint(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no X display: run it through scripts/bench (xvfb-run)");
        return;
    }
    SessionBus bus;
    if (!bus.Start()) {
        state.SkipWithError("dbus-daemon did not start a session bus");
        return;
    }
    std::vector<char*> withoutBus = WithoutBus();
    for (auto _ : state) {
        // One run of each first, not counted: it loads the libraries into the page cache.
        if (!StartAndWait(VELDO_STARTUP_FLOOR, withoutBus.data()).ok ||
            !StartAndWait(VELDO_STARTUP_PROBE, withoutBus.data()).ok ||
            !StartAndWait(VELDO_STARTUP_PROBE, bus.Environment()).ok) {
            state.SkipWithError("a probe did not report its first paint");
            return;
        }
        for (int i = 0; i < kRuns; ++i) {
            const Run floorRun = StartAndWait(VELDO_STARTUP_FLOOR, withoutBus.data());
            const Run playerRun = StartAndWait(VELDO_STARTUP_PROBE, withoutBus.data());
            const Run floorBusRun = StartAndWait(VELDO_STARTUP_FLOOR, bus.Environment());
            const Run playerBusRun = StartAndWait(VELDO_STARTUP_PROBE, bus.Environment());
            if (!floorRun.ok || !playerRun.ok || !floorBusRun.ok || !playerBusRun.ok) {
                state.SkipWithError("a probe did not report its first paint");
                return;
            }
            floorWindow.Add(floorRun);
            player.Add(playerRun);
            floorOnBus.Add(floorBusRun);
            playerOnBus.Add(playerBusRun);
        }
    }
    measured = true;
    state.counters["player_ms"] = Median(player.spawnToPaint);
    state.counters["floor_ms"] = Median(floorWindow.spawnToPaint);
    state.counters["ratio"] = Median(player.spawnToPaint) / Median(floorWindow.spawnToPaint);
    state.counters["player_cpu_ms"] = Median(player.cpu);
    state.counters["floor_cpu_ms"] = Median(floorWindow.cpu);
    state.counters["bus_ratio"] =
        Median(playerOnBus.spawnToPaint) / Median(floorOnBus.spawnToPaint);
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
    std::printf("With a session bus (as on a desktop), median of %d runs (ms):\n", kRuns);
    std::printf("  player %.1f (range %s)\n", Median(playerOnBus.spawnToPaint),
                range(playerOnBus.spawnToPaint).c_str());
    std::printf("  floor  %.1f (range %s)\n", Median(floorOnBus.spawnToPaint),
                range(floorOnBus.spawnToPaint).c_str());
    veldo::bench::PrintFigure(
        "Start-up to first paint with a session bus (median of 20, Xvfb)",
        Median(playerOnBus.spawnToPaint), "ms", "empty 580x200 Qt window, same bus",
        Median(floorOnBus.spawnToPaint), "<= 1.3",
        "player " + veldo::bench::FormatMegabytes(Median(playerOnBus.peakRss)) + ", floor " +
            veldo::bench::FormatMegabytes(Median(floorOnBus.peakRss)));
    veldo::bench::PrintFigure("CPU time to first paint with a session bus (median of 20)",
                              Median(playerOnBus.cpu), "ms", "empty 580x200 Qt window, same bus",
                              Median(floorOnBus.cpu), "-");
    return 0;
}
