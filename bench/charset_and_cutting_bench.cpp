// Utf8ToGbk beside glibc iconv, and the case-ignoring TextBetween beside std::string::find, on
// one 16 MB text of mixed Chinese and ASCII. Prints each figure with its ratio to the baseline.
#include "figure_line.h"
#include "text/marker_cut.h"
#include "web/charset.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <iconv.h>
#include <map>
#include <string>
#include <sys/resource.h>

namespace {

// A listing-like text: JSON records with Chinese names and descriptions between ASCII fields,
// about half of the bytes Chinese. The field the cutting looks for stands only at the very end.
const std::string& MixedUtf8() {
    static const std::string text = [] {
        const std::string chinese[] = {
            "\xE5\xAE\x8C\xE6\x88\x90",                         // 完成
            "\xE9\x9F\xB3\xE4\xB9\x90\xE5\x88\x86\xE4\xBA\xAB", // 音乐分享
            "\xE5\xA4\x9C\xE6\x99\x9A\xE7\x9A\x84\xE9\xA3\x8E", // 夜晚的风
            "\xE2\x82\xAC\xEF\xBC\x8C\xE3\x80\x82"};            // €，。
        std::string out;
        out.reserve(16u << 20);
        for (unsigned i = 0; out.size() < (16u << 20) - 200; ++i) {
            out += "{\"id\":" + std::to_string(i) + ",\"name\":\"" + chinese[i % 4] +
                   chinese[(i + 1) % 4] + " Remix " + chinese[(i + 2) % 4] + "\",\"intro\":\"" +
                   chinese[(i + 3) % 4] + chinese[i % 4] + chinese[(i + 1) % 4] +
                   chinese[(i + 2) % 4] + "\",\"source\":\"http://x/" + std::to_string(i) +
                   ".mp3\"},\n";
        }
        out += "{\"LastField\":\"found\",\"end\":1}";
        return out;
    }();
    return text;
}

const std::string& MixedGbk() {
    static const std::string text = veldo::Utf8ToGbk(MixedUtf8());
    return text;
}

void BM_Utf8ToGbk(benchmark::State& state) {
    const std::string& in = MixedUtf8();
    for (auto _ : state)
        benchmark::DoNotOptimize(veldo::Utf8ToGbk(in));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_Utf8ToGbk)->Unit(benchmark::kMillisecond);

void BM_IconvBaseline(benchmark::State& state) {
    const std::string& in = MixedUtf8();
    iconv_t cd = iconv_open("CP936", "UTF-8");
    for (auto _ : state) {
        // Sized and allocated per run, as Utf8ToGbk's result is.
        std::string out(in.size(), '\0');
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char* dst = out.data();
        size_t dstLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) state.SkipWithError("iconv");
        out.resize(out.size() - dstLeft);
        benchmark::DoNotOptimize(out);
    }
    iconv_close(cd);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_IconvBaseline)->Unit(benchmark::kMillisecond);

void BM_TextBetweenIgnoringCase(benchmark::State& state) {
    const std::string& text = MixedGbk();
    std::string value;
    for (auto _ : state)
        benchmark::DoNotOptimize(value = veldo::TextBetween(text, "{\"lastfield\":\"", "\""));
    if (value != "found") state.SkipWithError("marker not found");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_TextBetweenIgnoringCase)->Unit(benchmark::kMillisecond);

void BM_StringFindBaseline(benchmark::State& state) {
    const std::string& text = MixedGbk();
    for (auto _ : state)
        benchmark::DoNotOptimize(text.find("{\"LastField\":\""));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_StringFindBaseline)->Unit(benchmark::kMillisecond);

// Keeps the CPU time per iteration (ms) of every benchmark for the summary.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            ms[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatio(const char* what, size_t bytes, double ms, double baselineMs, const char* baseline,
                double goal) {
    const double mb = double(bytes) / (1 << 20);
    std::printf("%-36s %8.1f MB/s   %-22s %8.1f MB/s   ratio %.2fx (goal %.1fx)\n", what,
                mb / (ms / 1000), baseline, mb / (baselineMs / 1000), baselineMs / ms, goal);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& ms = reporter.ms;
    std::printf("\nText: %.1f MB UTF-8, %.1f MB GBK\n", double(MixedUtf8().size()) / (1 << 20),
                double(MixedGbk().size()) / (1 << 20));
    if (ms.count("BM_Utf8ToGbk") && ms.count("BM_IconvBaseline"))
        PrintRatio("Utf8ToGbk", MixedUtf8().size(), ms["BM_Utf8ToGbk"], ms["BM_IconvBaseline"],
                   "glibc iconv", 2.5);
    if (ms.count("BM_TextBetweenIgnoringCase") && ms.count("BM_StringFindBaseline"))
        PrintRatio("TextBetween (case ignored)", MixedGbk().size(),
                   ms["BM_TextBetweenIgnoringCase"], ms["BM_StringFindBaseline"],
                   "std::string::find", 0.5);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("Peak RSS: %ld MB (the texts and one conversion result)\n", usage.ru_maxrss / 1024);
    const double mb = double(MixedUtf8().size()) / (1 << 20);
    const std::string peak = veldo::bench::FormatMegabytes(double(usage.ru_maxrss) / 1024);
    if (ms.count("BM_Utf8ToGbk") && ms.count("BM_IconvBaseline"))
        veldo::bench::PrintFigure("Utf8ToGbk, 16 MB mixed text", mb / (ms["BM_Utf8ToGbk"] / 1000),
                                  "MB/s", "glibc iconv", mb / (ms["BM_IconvBaseline"] / 1000),
                                  ">= 2.5", peak + " (whole run)");
    const double gbkMb = double(MixedGbk().size()) / (1 << 20);
    if (ms.count("BM_TextBetweenIgnoringCase") && ms.count("BM_StringFindBaseline"))
        veldo::bench::PrintFigure(
            "TextBetween, case ignored", gbkMb / (ms["BM_TextBetweenIgnoringCase"] / 1000), "MB/s",
            "std::string::find", gbkMb / (ms["BM_StringFindBaseline"] / 1000), ">= 0.5");
    return 0;
}
