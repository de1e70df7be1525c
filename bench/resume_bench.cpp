// What a dropped connection costs a stream: the answer bytes the engine fetched (heads
// included, every connection counted) over the file's size, for a 20 s sound served by nginx
// through a proxy that cuts every connection after 64 kB, beside the same sound through the
// same proxy uncut. Played as fast as the engine decodes (SDL's disk driver without delay,
// writing to /dev/null). Needs nginx (scripts/install-deps).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "figure_line.h"
#include "platform/audio/bass.h"
#include "sample_site/mp3_encoder.h"
#include "support/fault_proxy.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace {

using veldo::testing::FaultProxy;
using veldo::testing::LinkFaults;

// Plays `url` to its end; false when it did not open or end.
bool PlayToTheEnd(const std::string& url) {
    const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    if (!stream || !BASS_ChannelPlay(stream, false)) return false;
    return veldo::testing::WaitUntil(
        [&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; },
        std::chrono::seconds(120));
}

void BM_BytesFetchedWithACutEvery64kB(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    veldo::testing::TempDir folder;
    const std::string mp3 = veldo::EncodeMp3(veldo::SineTone(1450, 20.0));
    std::ofstream(folder.path() / "twenty.mp3", std::ios::binary) << mp3;
    veldo::testing::NginxServer nginx(folder.path());
    const std::string upstream = nginx.Url("").substr(std::string("http://").size());
    double cutRatio = 0, uncutRatio = 0;
    for (auto _ : state) {
        if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
            state.SkipWithError("no audio device");
            return;
        }
        FaultProxy uncut(upstream), cut(upstream, LinkFaults{.cutAfterBytes = 64 * 1024});
        const bool played =
            PlayToTheEnd(uncut.Url("/twenty.mp3")) && PlayToTheEnd(cut.Url("/twenty.mp3"));
        BASS_Free();
        if (!played) {
            state.SkipWithError("a stream did not play to its end");
            return;
        }
        uncutRatio = double(uncut.BytesForwarded()) / double(mp3.size());
        cutRatio = double(cut.BytesForwarded()) / double(mp3.size());
    }
    // Four decimals: the heads of the extra answers are a fraction of a per cent.
    const auto text = [](double value) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.4f", value);
        return std::string(buffer);
    };
    veldo::bench::PrintFigureLine("Stream bytes fetched / file size, connection cut every 64 kB",
                                  text(cutRatio), "x", "the same stream uncut", text(uncutRatio),
                                  text(cutRatio / uncutRatio), "<= 1.05", "-");
}
BENCHMARK(BM_BytesFetchedWithACutEvery64kB)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
