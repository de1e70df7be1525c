// The download over a link that drops every 64 kB, resumed with ranges each time, beside the
// same download over the same proxy uncut: the bytes that crossed the link over the file's
// size, and the time to finish, on loopback and on a 4 MB/s link (a home connection), where a
// new connection costs what it costs against the time the bytes themselves take. Resuming
// should cost little more than the bytes themselves and a connection per piece.
//
// Threads: the benchmark thread fetches; a cpp-httplib server answers on its own threads and
// the tests' fault proxy copies each connection on threads of its own.
#include "figure_line.h"
#include "platform/net/url_fetch.h"
#include "recording_reporter.h"
#include "support/fault_proxy.h"
#include "support/local_server.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kBodySize = 16u << 20;
constexpr std::size_t kSlowBodySize = 2u << 20;
constexpr std::size_t kCutEvery = 64u << 10;
constexpr std::size_t kHomeLinkBytesPerSecond = 4u << 20;
std::unique_ptr<veldo::testing::FaultProxy> uncut, cut, slowUncut, slowCut;
std::filesystem::path scratch;
double uncutBytesPerFile = 0, cutBytesPerFile = 0;

// Fetches through `proxy` as often as the benchmark asks; gives the link's bytes per fetch.
double FetchThrough(benchmark::State& state, veldo::testing::FaultProxy& proxy,
                    const char* path = "/sound.mp3", std::size_t size = kBodySize) {
    const std::size_t before = proxy.BytesForwarded();
    for (auto _ : state) {
        if (!veldo::FetchUrlToFile(proxy.Url(path), scratch / "sound.mp3") ||
            std::filesystem::file_size(scratch / "sound.mp3") != size)
            state.SkipWithError("fetch failed");
    }
    state.SetBytesProcessed(state.iterations() * size);
    return static_cast<double>(proxy.BytesForwarded() - before) / state.iterations();
}

void BM_Uncut(benchmark::State& state) {
    uncutBytesPerFile = FetchThrough(state, *uncut);
}
void BM_CutEvery64k(benchmark::State& state) {
    cutBytesPerFile = FetchThrough(state, *cut);
}
void BM_HomeLinkUncut(benchmark::State& state) {
    FetchThrough(state, *slowUncut, "/small.mp3", kSlowBodySize);
}
void BM_HomeLinkCutEvery64k(benchmark::State& state) {
    FetchThrough(state, *slowCut, "/small.mp3", kSlowBodySize);
}
BENCHMARK(BM_Uncut)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CutEvery64k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HomeLinkUncut)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_HomeLinkCutEvery64k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    const std::string body = [] {
        std::string bytes(kBodySize, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 2654435761u >> 13);
        return bytes;
    }();
    veldo::testing::LocalServer server;
    server.server().Get("/sound.mp3", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("ETag", "\"bench\"");
        // Served in place, not copied per request; cpp-httplib answers a range with a 206 and
        // calls the provider from the range's start.
        res.set_content_provider(
            body.size(), "audio/mpeg", [&](size_t offset, size_t length, httplib::DataSink& sink) {
                return sink.write(body.data() + offset, std::min<size_t>(length, 64 << 10));
            });
    });
    server.server().Get("/small.mp3", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("ETag", "\"bench-small\"");
        res.set_content_provider(
            kSlowBodySize, "audio/mpeg",
            [&](size_t offset, size_t length, httplib::DataSink& sink) {
                return sink.write(body.data() + offset, std::min<size_t>(length, 64 << 10));
            });
    });
    server.Start();
    slowUncut = std::make_unique<veldo::testing::FaultProxy>(
        server.HostAndPort(), veldo::testing::LinkFaults{.bytesPerSecond = kHomeLinkBytesPerSecond});
    slowCut = std::make_unique<veldo::testing::FaultProxy>(
        server.HostAndPort(), veldo::testing::LinkFaults{.cutAfterBytes = kCutEvery,
                                                         .bytesPerSecond = kHomeLinkBytesPerSecond});
    uncut = std::make_unique<veldo::testing::FaultProxy>(server.HostAndPort());
    cut = std::make_unique<veldo::testing::FaultProxy>(
        server.HostAndPort(), veldo::testing::LinkFaults{.cutAfterBytes = kCutEvery});
    scratch = std::filesystem::temp_directory_path() /
              ("veldo-download-resume-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);

    benchmark::Initialize(&argc, argv);
    veldo::bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ms = [&](const char* name) {
        const auto found = reporter.seconds.find(name);
        return found == reporter.seconds.end() ? 0.0 : found->second * 1e3;
    };
    using veldo::bench::PrintFigure;
    std::printf("\n16 MB download, link cut every 64 kB and resumed, beside the same link uncut\n");
    PrintFigure("download cut every 64 kB: bytes over the link per file byte",
                cutBytesPerFile / kBodySize, "x", "uncut", uncutBytesPerFile / kBodySize, "<= 1.05",
                "-");
    PrintFigure("download 16 MB cut every 64 kB, time to finish", ms("BM_CutEvery64k"), "ms",
                "uncut through the same proxy", ms("BM_Uncut"), "<= 1.5", "-");
    PrintFigure("download 2 MB on a 4 MB/s link cut every 64 kB, time to finish",
                ms("BM_HomeLinkCutEvery64k"), "ms", "the same link uncut", ms("BM_HomeLinkUncut"),
                "<= 1.5", "-");

    cut.reset();
    uncut.reset();
    slowCut.reset();
    slowUncut.reset();
    std::filesystem::remove_all(scratch);
    return 0;
}
