// Extraction of a listing page's entries and escape decoding, each printed beside a baseline
// measured in the same run:
// - AllTextsBetween over a 5 MB page of 20,000 entries, against a plain two-marker
//   std::string::find scan (the floor) and against std::regex (run in a child process with a
//   time limit, since its recursive matcher may overflow the stack);
// - DecodeEscapes on a 1 MB record full of \u escapes (MB/s), against the bare GBK -> UTF-16 ->
//   GBK round trip of the same record.
#include "figure_line.h"
#include "platform/codepage/code_page.h"
#include "text/escape_decoding.h"
#include "text/pattern_extraction.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <map>
#include <regex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kLeft = " <h3 class=\"voice-name\"><a href=\"/sound/";
const std::string kRight = "</a></h3>";
constexpr int kEntries = 20000;

// About 250 bytes an entry, as on the site: markup around, a GBK name inside.
const std::string& ListingPage() {
    static const std::string page = [] {
        std::string out = "<!DOCTYPE html><html><head><title>exploration</title></head><body>\n";
        for (int i = 0; i < kEntries; ++i) {
            const std::string id = std::to_string(100000 + i);
            out += "<div class=\"voice-item\"><div class=\"cover\"><img src=\"/covers/" + id +
                   ".jpg\"></div>\n" + kLeft + id + "\" title=\"sound " + id +
                   "\">\xD6\xD0\xCE\xC4 Sound " + id + kRight +
                   "\n<p class=\"meta\">by <a href=\"/user/" + std::to_string(i % 977) +
                   "\">someone</a> " + std::to_string(i * 7 % 10000) + " plays</p></div>\n";
        }
        return out + "</body></html>\n";
    }();
    return page;
}

std::vector<std::string> FindScan(const std::string& page) {
    std::vector<std::string> out;
    size_t at = 0;
    while ((at = page.find(kLeft, at)) != std::string::npos) {
        const size_t start = at + kLeft.size();
        const size_t end = page.find(kRight, start);
        if (end == std::string::npos) break;
        out.push_back(page.substr(start, end - start));
        at = end + kRight.size();
    }
    return out;
}

void BM_AllTextsBetween(benchmark::State& state) {
    const std::string& page = ListingPage();
    veldo::TextList list;
    for (auto _ : state) {
        veldo::AllTextsBetween(page, kLeft, kRight, list);
        benchmark::DoNotOptimize(list.data());
    }
    if (list.size() != kEntries) state.SkipWithError("wrong number of entries");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_AllTextsBetween)->Unit(benchmark::kMillisecond);

void BM_FindScanFloor(benchmark::State& state) {
    const std::string& page = ListingPage();
    for (auto _ : state) {
        auto pieces = FindScan(page);
        benchmark::DoNotOptimize(pieces.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_FindScanFloor)->Unit(benchmark::kMillisecond);

const std::string& EscapedRecord() {
    static const std::string record = [] {
        std::string out = "{\"name\":\"";
        const char* units[] = {"\\u4e2d", "\\u6587", "\\u58f0", "\\u97f3", "\\u0041", "\\/"};
        for (size_t i = 0; out.size() < (1u << 20); ++i)
            out += units[i % 6];
        return out + "\"}";
    }();
    return record;
}

void BM_DecodeEscapes(benchmark::State& state) {
    const std::string& record = EscapedRecord();
    for (auto _ : state)
        benchmark::DoNotOptimize(veldo::DecodeEscapes(record));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(record.size()));
}
BENCHMARK(BM_DecodeEscapes)->Unit(benchmark::kMillisecond);

void BM_GbkRoundTripBaseline(benchmark::State& state) {
    const std::string& record = EscapedRecord();
    for (auto _ : state)
        benchmark::DoNotOptimize(veldo::Utf16ToGbk(veldo::GbkToUtf16(record)));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(record.size()));
}
BENCHMARK(BM_GbkRoundTripBaseline)->Unit(benchmark::kMillisecond);

// Keeps the CPU time (ms) and bytes per second of every benchmark for the summary. CPU time,
// not wall time: the benchmarks are single-threaded and the machine is shared.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    struct Figure {
        double ms = 0;
        double bytesPerSecond = 0;
    };
    std::map<std::string, Figure> figures;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            Figure& f = figures[run.benchmark_name()];
            f.ms = run.GetAdjustedCPUTime();
            const auto bytes = run.counters.find("bytes_per_second");
            if (bytes != run.counters.end()) f.bytesPerSecond = bytes->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

struct ChildOutcome {
    std::string what; // "ok", "crashed (signal N)", "did not finish within N s"
    double ms = 0;
    size_t entries = 0;
    long peakRssKb = 0;
};

// The same extraction with std::regex, in a child process so that a stack overflow or a
// runaway match cannot take the benchmark down.
ChildOutcome StdRegexInChild(const std::string& page, int limitSeconds) {
    int fds[2];
    if (pipe(fds) != 0) return {"could not start", 0, 0, 0};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const std::clock_t start = std::clock();
        const std::regex pattern(veldo::EscapeMarker(kLeft) + "([\\s\\S]*?)" +
                                     veldo::EscapeMarker(kRight),
                                 std::regex::ECMAScript | std::regex::icase);
        std::vector<std::string> pieces;
        for (std::sregex_iterator it(page.begin(), page.end(), pattern), end; it != end; ++it)
            pieces.push_back((*it)[1].str());
        const double ms = 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC;
        const double result[2] = {ms, double(pieces.size())};
        (void)!write(fds[1], result, sizeof result);
        _exit(0);
    }
    close(fds[1]);
    ChildOutcome outcome;
    int status = 0;
    rusage usage{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    pid_t done = 0;
    while ((done = wait4(child, &status, WNOHANG, &usage)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        usleep(20000);
    if (done == 0) {
        kill(child, SIGKILL);
        wait4(child, &status, 0, &usage);
        outcome.what = "did not finish within " + std::to_string(limitSeconds) + " s";
    } else if (WIFSIGNALED(status)) {
        outcome.what = "crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
    } else {
        double result[2] = {0, 0};
        if (read(fds[0], result, sizeof result) == sizeof result) {
            outcome.what = "ok";
            outcome.ms = result[0];
            outcome.entries = size_t(result[1]);
        } else {
            outcome.what = "gave no result";
        }
    }
    outcome.peakRssKb = usage.ru_maxrss;
    close(fds[0]);
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const ChildOutcome std_regex = StdRegexInChild(ListingPage(), 120);
    // One entry whose name runs over 200 KB: std::regex recurses once per character.
    const std::string longPage = kLeft + "1\">" + std::string(200 * 1024, 'n') + kRight;
    const ChildOutcome std_regex_long = StdRegexInChild(longPage, 120);
    veldo::TextList longList;
    const std::clock_t longStart = std::clock();
    veldo::AllTextsBetween(longPage, kLeft, kRight, longList);
    const double longMs = 1000.0 * double(std::clock() - longStart) / CLOCKS_PER_SEC;
    rusage self{};
    getrusage(RUSAGE_SELF, &self);

    const auto& f = reporter.figures;
    const auto at = [&](const char* name) {
        const auto it = f.find(name);
        return it == f.end() ? CollectingReporter::Figure{} : it->second;
    };
    const auto extraction = at("BM_AllTextsBetween"), floor = at("BM_FindScanFloor");
    const auto decode = at("BM_DecodeEscapes"), roundTrip = at("BM_GbkRoundTripBaseline");
    std::printf("\nListing page: %.1f MB, %d entries\n", ListingPage().size() / 1e6, kEntries);
    std::printf("  AllTextsBetween        %8.2f ms CPU\n", extraction.ms);
    if (floor.ms > 0)
        std::printf("  find scan (floor)      %8.2f ms   ratio %.2fx the floor (goal <= 5x)\n",
                    floor.ms, extraction.ms / floor.ms);
    if (std_regex.what == "ok")
        std::printf("  std::regex             %8.2f ms   %zu entries; AllTextsBetween %.1fx faster "
                    "(goal >= 10x); child peak RSS %ld MB\n",
                    std_regex.ms, std_regex.entries, std_regex.ms / extraction.ms,
                    std_regex.peakRssKb / 1024);
    else
        std::printf("  std::regex             %s (child peak RSS %ld MB)\n", std_regex.what.c_str(),
                    std_regex.peakRssKb / 1024);
    std::printf("One entry of 200 KB:\n  AllTextsBetween        %8.2f ms CPU, %zu entry\n", longMs,
                longList.size());
    if (std_regex_long.what == "ok")
        std::printf("  std::regex             %8.2f ms, %zu entry\n", std_regex_long.ms,
                    std_regex_long.entries);
    else
        std::printf("  std::regex             %s\n", std_regex_long.what.c_str());
    std::printf("Escaped record: %.2f MB\n", EscapedRecord().size() / 1e6);
    std::printf("  DecodeEscapes          %8.1f MB/s (goal >= 100 MB/s)\n",
                decode.bytesPerSecond / 1e6);
    if (roundTrip.bytesPerSecond > 0)
        std::printf("  GBK round trip alone   %8.1f MB/s   DecodeEscapes takes %.2fx its time\n",
                    roundTrip.bytesPerSecond / 1e6,
                    roundTrip.bytesPerSecond / decode.bytesPerSecond);
    std::printf("Peak RSS of this process: %ld MB\n", self.ru_maxrss / 1024);

    using veldo::bench::PrintFigure;
    const std::string peak = veldo::bench::FormatMegabytes(double(self.ru_maxrss) / 1024);
    if (floor.ms > 0)
        PrintFigure("AllTextsBetween, 5 MB page, 20,000 entries", extraction.ms, "ms CPU",
                    "two-marker find scan", floor.ms, "<= 5", peak + " (whole run)");
    if (std_regex.what == "ok")
        PrintFigure("AllTextsBetween, 5 MB page, 20,000 entries", extraction.ms, "ms CPU",
                    "std::regex", std_regex.ms, "<= 0.1",
                    "std::regex child " +
                        veldo::bench::FormatMegabytes(double(std_regex.peakRssKb) / 1024));
    else
        veldo::bench::PrintFigureLine("AllTextsBetween, 5 MB page, 20,000 entries",
                                      veldo::bench::FormatFigure(extraction.ms), "ms CPU",
                                      "std::regex", std_regex.what, "-", "<= 0.1", "-");
    PrintFigure("DecodeEscapes, 1 MB of \\u escapes", decode.bytesPerSecond / 1e6, "MB/s",
                "GBK round trip alone", roundTrip.bytesPerSecond / 1e6, ">= 100 MB/s");
    return 0;
}
