// Audio engine figures, each beside a baseline measured in the same run:
// - CPU seconds per audio second of `veldo-play` playing a 44.1 kHz and a 48 kHz file in real
//   time through SDL's dummy driver with a spectrum every 50 ms, beside `mpv --no-video
//   --ao=null` playing the same address in real time, and `mpg123 -t` decoding the same file
//   (the decode floor);
// - the time BASS_StreamCreateURL takes to return on loopback, beside a plain libcurl fetch
//   of the whole file;
// - the peak memory of `veldo-play` over a 10-minute file, beside the file size + 8 MB goal and
//   `mpg123 -t`'s peak memory.
// Children are measured with wait4's rusage (CPU) and their VmHWM (peak memory). Needs mpg123
// and mpv on the PATH (scripts/install-deps).
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "figure_line.h"
#include "platform/audio/bass.h"
#include "sample_site/mp3_encoder.h"
#include "support/mp3_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct ChildUsage {
    double cpuSeconds = 0;
    double peakMegabytes = 0;
    int status = -1;
};

ChildUsage RunChild(const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& environment) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!environment.count(entry.substr(0, entry.find('=')))) envStrings.push_back(entry);
    }
    for (const auto& [name, value] : environment)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp, argv;
    for (auto& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return {};
    // ru_maxrss would include the memory shared with this process before exec, so the peak is
    // the child's own VmHWM, read while it runs (it only grows).
    ChildUsage usage;
    rusage r{};
    long peakKb = 0;
    for (;;) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmHWM:", 0) == 0) peakKb = std::max(peakKb, std::stol(line.substr(6)));
        if (wait4(pid, &usage.status, WNOHANG, &r) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    usage.cpuSeconds = double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
                       double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    usage.peakMegabytes = double(peakKb) / 1024.0;
    return usage;
}

// MP3 files of a few notes (so the decoder and the FFT see changing content), served from
// memory on 127.0.0.1 and also written to a temporary folder for mpg123.
class Fixture {
  public:
    static Fixture& Get() {
        static Fixture fixture;
        return fixture;
    }
    std::string Url(const std::string& name) const { return server_.Url("/" + name); }
    fs::path File(const std::string& name) const { return folder_.path() / name; }
    size_t Size(const std::string& name) const { return files_.at(name).size(); }
    static fs::path VeldoPlay() {
        return fs::canonical("/proc/self/exe").parent_path().parent_path() / "tools" / "veldo-play";
    }

  private:
    Fixture() {
        Add("short.mp3", 20);
        Add("short48.mp3", 20, 48000);
        Add("long.mp3", 600);
        for (const auto& [name, body] : files_)
            veldo::testing::ServeFile(server_, "/" + name, {body});
        server_.Start();
    }
    void Add(const std::string& name, double seconds, int rate = 44100) {
        veldo::Mp3Settings settings;
        settings.sampleRate = rate;
        std::vector<int16_t> pcm;
        const double notes[] = {220, 330, 440, 554, 660, 880};
        for (int i = 0; i < int(seconds); ++i) {
            const auto second = veldo::SineTone(notes[i % 6], 1.0, 0.4, settings);
            pcm.insert(pcm.end(), second.begin(), second.end());
        }
        files_[name] = veldo::EncodeMp3(pcm, settings);
        std::ofstream(File(name), std::ios::binary) << files_[name];
    }

    veldo::testing::TempDir folder_;
    std::map<std::string, std::string> files_;
    veldo::testing::LocalServer server_;
};

// One file of each kind: a 44.1 kHz file plays as it is, a 48 kHz file goes through the
// resampler. Each player is paced in real time; mpg123 -t decodes as fast as it can.
void BM_CpuPerAudioSecond(benchmark::State& state) {
    auto& fixture = Fixture::Get();
    constexpr double audioSeconds = 20;
    for (auto _ : state) {
        for (const auto& [name, label] :
             {std::pair{"short.mp3", "44.1 kHz"}, std::pair{"short48.mp3", "48 kHz"}}) {
            const ChildUsage veldo =
                RunChild({Fixture::VeldoPlay(), "--quiet", "--fft-ms", "50", fixture.Url(name)},
                         {{"SDL_AUDIODRIVER", "dummy"}});
            const ChildUsage mpv = RunChild({"mpv", "--no-config", "--no-video", "--ao=null",
                                             "--really-quiet", fixture.Url(name)},
                                            {});
            const ChildUsage mpg123 = RunChild({"mpg123", "-q", "-t", fixture.File(name)}, {});
            if (veldo.status != 0 || mpv.status != 0 || mpg123.status != 0) {
                state.SkipWithError("a child failed (are mpg123 and mpv installed?)");
                return;
            }
            const std::string key = name == std::string("short.mp3") ? "44k" : "48k";
            const double veldoMs = 1000 * veldo.cpuSeconds / audioSeconds;
            const double mpvMs = 1000 * mpv.cpuSeconds / audioSeconds;
            const double floorMs = 1000 * mpg123.cpuSeconds / audioSeconds;
            state.counters["veldo_ms_per_audio_s_" + key] = veldoMs;
            state.counters["mpv_ms_per_audio_s_" + key] = mpvMs;
            state.counters["mpg123_ms_per_audio_s_" + key] = floorMs;
            const std::string figure =
                std::string("veldo-play CPU per audio second, ") + label + " file, FFT every 50 ms";
            veldo::bench::PrintFigure(
                figure, veldoMs, "ms", "mpv --no-video --ao=null", mpvMs, "<= 0.5",
                veldo::bench::FormatMegabytes(veldo.peakMegabytes) + " (mpv " +
                    veldo::bench::FormatMegabytes(mpv.peakMegabytes) + ")");
            veldo::bench::PrintFigure(figure, veldoMs, "ms", "mpg123 -t (decode floor)", floorMs);
        }
    }
}
BENCHMARK(BM_CpuPerAudioSecond)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

void BM_StreamCreateUrlOnLoopback(benchmark::State& state) {
    auto& fixture = Fixture::Get();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        state.SkipWithError("no audio device");
        return;
    }
    const std::string url = fixture.Url("short.mp3");
    double createMs = 0, fetchMs = 0;
    int rounds = 0;
    HSTREAM stream = 0;
    for (auto _ : state) {
        BASS_ChannelStop(stream);
        auto start = std::chrono::steady_clock::now();
        stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
        createMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (!stream) {
            state.SkipWithError("stream not created");
            break;
        }
        // Baseline: the same file fetched whole by libcurl alone.
        start = std::chrono::steady_clock::now();
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
        curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        fetchMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        ++rounds;
    }
    BASS_Free();
    if (rounds == 0) return;
    state.counters["create_ms"] = createMs / rounds;
    state.counters["curl_whole_file_ms"] = fetchMs / rounds;
    state.counters["ratio_vs_curl"] = createMs / fetchMs;
    state.counters["ratio_vs_50ms_goal"] = createMs / rounds / 50.0;
    veldo::bench::PrintFigure("BASS_StreamCreateURL on loopback", createMs / rounds, "ms",
                              "libcurl fetching the whole file", fetchMs / rounds, "<= 50 ms");
}
BENCHMARK(BM_StreamCreateUrlOnLoopback)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_PeakMemoryOfATenMinuteFile(benchmark::State& state) {
    auto& fixture = Fixture::Get();
    const std::map<std::string, std::string> fastDisk{{"SDL_AUDIODRIVER", "disk"},
                                                      {"SDL_DISKAUDIOFILE", "/dev/null"},
                                                      {"SDL_DISKAUDIODELAY", "0"}};
    for (auto _ : state) {
        const ChildUsage longFile =
            RunChild({Fixture::VeldoPlay(), "--quiet", fixture.Url("long.mp3")}, fastDisk);
        const ChildUsage shortFile =
            RunChild({Fixture::VeldoPlay(), "--quiet", fixture.Url("short.mp3")}, fastDisk);
        const ChildUsage mpg123 = RunChild({"mpg123", "-q", "-t", fixture.File("long.mp3")}, {});
        const ChildUsage start = RunChild({Fixture::VeldoPlay()}, {});
        if (longFile.status != 0 || shortFile.status != 0) {
            state.SkipWithError("veldo-play failed");
            return;
        }
        const double fileMb = double(fixture.Size("long.mp3")) / (1024 * 1024);
        state.counters["peak_MB_10min"] = longFile.peakMegabytes;
        state.counters["peak_MB_20s"] = shortFile.peakMegabytes;
        state.counters["mpg123_peak_MB"] = mpg123.peakMegabytes;
        state.counters["file_MB"] = fileMb;
        state.counters["ratio_vs_goal_file_plus_8MB"] = longFile.peakMegabytes / (fileMb + 8);
        // What playing adds to the program's loaded libraries, against the same goal.
        state.counters["start_MB"] = start.peakMegabytes;
        state.counters["growth_ratio_vs_goal"] =
            (longFile.peakMegabytes - start.peakMegabytes) / (fileMb + 8);
        veldo::bench::PrintFigure(
            "veldo-play peak RSS, 10-minute file", longFile.peakMegabytes, "MB", "mpg123 -t",
            mpg123.peakMegabytes,
            "<= " + veldo::bench::FormatFigure(fileMb + 8) + " MB (file + 8 MB)",
            veldo::bench::FormatMegabytes(longFile.peakMegabytes) + " (start-up alone " +
                veldo::bench::FormatMegabytes(start.peakMegabytes) + ")");
    }
}
BENCHMARK(BM_PeakMemoryOfATenMinuteFile)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
