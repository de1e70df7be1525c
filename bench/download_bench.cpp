// The download's fetch (streamed into a file in the target folder) beside the whole-body fetch
// into memory and the curl tool writing a file, on a 48 MB body from a local server: wall time
// and the peak RSS of one process doing one fetch. The streamed fetch should cost about what
// the curl tool costs and keep memory flat however large the sound.
//
// Threads: the benchmark thread fetches; a cpp-httplib server answers on its own threads from
// one constant body. Child processes (this program with --probe, or curl) run the fetches
// whose memory is measured.
#include "figure_line.h"
#include "platform/net/url_fetch.h"
#include "recording_reporter.h"
#include "support/local_server.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

// Served from a small buffer, so that this process stays small and the children it forks for
// the memory figures start small too.
constexpr std::size_t kBodySize = 48u << 20;
const std::string kChunk(64u << 10, 'm');
std::string bodyUrl;
std::filesystem::path scratch;

void BM_StreamToFile(benchmark::State& state) {
    for (auto _ : state)
        if (!veldo::FetchUrlToFile(bodyUrl, scratch / "streamed.mp3"))
            state.SkipWithError("fetch failed");
    state.SetBytesProcessed(state.iterations() * kBodySize);
}
void BM_WholeBodyInMemory(benchmark::State& state) {
    for (auto _ : state)
        if (veldo::FetchUrlBytes(bodyUrl).size() != kBodySize) state.SkipWithError("fetch failed");
    state.SetBytesProcessed(state.iterations() * kBodySize);
}
void BM_CurlToolToFile(benchmark::State& state) {
    const std::string command =
        "curl -s -f -o '" + (scratch / "curl.mp3").string() + "' " + bodyUrl;
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
    state.SetBytesProcessed(state.iterations() * kBodySize);
}
BENCHMARK(BM_StreamToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeBodyInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlToolToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak RSS in MB of a child that runs `command` through the shell in `folder` (ru_maxrss of
// that child, which starts from this process's small size).
double ChildPeakMegabytes(const std::string& command, const std::filesystem::path& folder) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(126);
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return 0;
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    // The memory probe: one fetch in a fresh process.
    if (argc == 4 && std::string(argv[1]) == "--probe") {
        if (std::string(argv[2]) == "file")
            return veldo::FetchUrlToFile(argv[3], "probe.mp3") ? 0 : 1;
        return veldo::FetchUrlBytes(argv[3]).empty() ? 1 : 0;
    }

    veldo::testing::LocalServer server;
    server.server().Get("/sound.mp3", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(kBodySize, "audio/mpeg",
                                 [](size_t, size_t length, httplib::DataSink& sink) {
                                     const size_t n = std::min(length, kChunk.size());
                                     return sink.write(kChunk.data(), n);
                                 });
    });
    server.Start();
    bodyUrl = server.Url("/sound.mp3");
    scratch = std::filesystem::temp_directory_path() /
              ("veldo-download-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);

    // Memory first, while this process is at its smallest.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const double streamedMb = ChildPeakMegabytes("'" + self + "' --probe file " + bodyUrl, scratch);
    const double memoryMb = ChildPeakMegabytes("'" + self + "' --probe memory " + bodyUrl, scratch);
    const double curlMb = ChildPeakMegabytes("curl -s -f -o c.mp3 " + bodyUrl, scratch);

    benchmark::Initialize(&argc, argv);
    veldo::bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto seconds = [&](const char* name) {
        auto found = reporter.seconds.find(name);
        return found == reporter.seconds.end() ? 0.0 : found->second * 1e3;
    };
    using veldo::bench::FormatMegabytes;
    using veldo::bench::PrintFigure;
    std::printf("\n48 MB download, wall time and peak RSS of one fetching process\n");
    PrintFigure("download 48 MB, streamed to file", seconds("BM_StreamToFile"), "ms",
                "curl tool -o file", seconds("BM_CurlToolToFile"), "<= 1.5",
                FormatMegabytes(streamedMb));
    PrintFigure("download 48 MB, streamed to file", seconds("BM_StreamToFile"), "ms",
                "whole body in memory", seconds("BM_WholeBodyInMemory"), "<= 1.5",
                FormatMegabytes(memoryMb) + " (in memory)");
    PrintFigure("peak RSS of the streamed fetch", streamedMb, "MB", "whole body in memory",
                memoryMb, "<= 0.5", "-");
    PrintFigure("peak RSS of the streamed fetch", streamedMb, "MB", "curl tool -o file", curlMb,
                "<= 3", "-");

    std::filesystem::remove_all(scratch);
    return 0;
}
