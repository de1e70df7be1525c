// WebGetText against the curl command-line tool on a local server: a 1 MB page and 200 small
// pages, each program fetching the same addresses in the same run, with wall-time ratios and
// the peak memory of one process that fetches the 1 MB page. The curl tool's time includes
// starting a process, as a user's fetch with it would.
//
// Threads: the benchmark thread fetches; a cpp-httplib server answers on its own threads
// from constant pages. Child processes (curl, or this program with --fetch-once) run the
// fetches whose memory is measured.
#include "figure_line.h"
#include "recording_reporter.h"
#include "support/mp3_server.h"
#include "web/web_get_text.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kSmallPages = 200;
const std::string kLargePage(1 << 20, 'x');
const std::string kSmallPage(2048, 's');
std::string baseUrl;

// Runs `argv` to its end; false when it could not run or failed.
bool RunChild(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// VmHWM of this process: unlike ru_maxrss it does not carry the parent's size over exec.
long PeakRssKiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
    std::fclose(status);
    return kib;
}

// Peak RSS in KiB that `program --fetch-once url` reports; 0 when it fails.
long ProbeFetch(const std::string& program, const std::string& url) {
    const std::string command = "'" + program + "' --fetch-once '" + url + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return 0;
    long kib = 0;
    if (std::fscanf(pipe, "%ld", &kib) != 1) kib = 0;
    return pclose(pipe) == 0 ? kib : 0;
}

void CurlFetch(const std::string& url) {
    if (!RunChild({"curl", "-s", "-o", "/dev/null", url}))
        throw std::runtime_error("curl failed on " + url);
}

void VeldoFetch(const std::string& url, size_t expectedSize) {
    if (veldo::WebGetText(url).size() != expectedSize)
        throw std::runtime_error("short body from " + url);
}

void BM_LargePage_WebGetText(benchmark::State& state) {
    for (auto _ : state)
        VeldoFetch(baseUrl + "/large", kLargePage.size());
    state.SetBytesProcessed(state.iterations() * kLargePage.size());
}
void BM_LargePage_CurlTool(benchmark::State& state) {
    for (auto _ : state)
        CurlFetch(baseUrl + "/large");
    state.SetBytesProcessed(state.iterations() * kLargePage.size());
}
void BM_SmallPages_WebGetText(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < kSmallPages; ++i)
            VeldoFetch(baseUrl + "/small?i=" + std::to_string(i), kSmallPage.size());
}
void BM_SmallPages_CurlTool(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < kSmallPages; ++i)
            CurlFetch(baseUrl + "/small?i=" + std::to_string(i));
}

BENCHMARK(BM_LargePage_WebGetText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LargePage_CurlTool)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SmallPages_WebGetText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SmallPages_CurlTool)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // The memory probe: one fetch in a fresh process, which then prints its own peak RSS.
    if (argc == 3 && std::string(argv[1]) == "--fetch-once") {
        if (veldo::WebGetText(argv[2]).empty()) return 1;
        std::printf("%ld\n", PeakRssKiB());
        return 0;
    }

    veldo::testing::LocalServer server;
    veldo::testing::ServeFile(server, "/large", {kLargePage, "text/plain"});
    veldo::testing::ServeFile(server, "/small", {kSmallPage, "text/plain"});
    server.Start();
    baseUrl = server.Url("");

    benchmark::Initialize(&argc, argv);
    veldo::bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto ratio = [&](const char* mine, const char* baseline) {
        auto a = reporter.seconds.find(mine), b = reporter.seconds.find(baseline);
        if (a == reporter.seconds.end() || b == reporter.seconds.end() || b->second <= 0) return;
        std::printf("%-26s %9.3f ms   curl tool %9.3f ms   ratio %.3f\n", mine, a->second * 1e3,
                    b->second * 1e3, a->second / b->second);
    };
    std::printf("\nWall time beside the curl command-line tool (goal for the 1 MB page: <= 1.2)\n");
    ratio("BM_LargePage_WebGetText", "BM_LargePage_CurlTool");
    ratio("BM_SmallPages_WebGetText", "BM_SmallPages_CurlTool");

    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const long large = ProbeFetch(self, baseUrl + "/large");
    const long small = ProbeFetch(self, baseUrl + "/small");
    std::printf("\nPeak RSS of a process that fetches the 1 MB page once: %.1f MB "
                "(the 2 KB page: %.1f MB; difference %.1f MB)\n",
                large / 1024.0, small / 1024.0, (large - small) / 1024.0);
    const auto figure = [&](const char* what, const char* mine, const char* baseline,
                            const char* goal, const std::string& memory) {
        auto a = reporter.seconds.find(mine), b = reporter.seconds.find(baseline);
        if (a == reporter.seconds.end() || b == reporter.seconds.end()) return;
        veldo::bench::PrintFigure(what, a->second * 1e3, "ms", "curl tool", b->second * 1e3, goal,
                                  memory);
    };
    figure("WebGetText, 1 MB page on loopback", "BM_LargePage_WebGetText", "BM_LargePage_CurlTool",
           "<= 1.2",
           "1 MB fetch " + veldo::bench::FormatMegabytes(large / 1024.0) + " (2 KB fetch " +
               veldo::bench::FormatMegabytes(small / 1024.0) + ")");
    figure("WebGetText, 200 pages of 2 KB", "BM_SmallPages_WebGetText", "BM_SmallPages_CurlTool",
           "-", "-");

    benchmark::Shutdown();
    return 0;
}
