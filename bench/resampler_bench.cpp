// The three resamplers Debian packages, measured the way the engine uses one: a 1450 Hz sine
// at -6 dBFS fed one MP3 frame at a time (1152 frames, 576 below 32 kHz) and converted to
// 44.1 kHz, then flushed. For each library and quality, at each MPEG rate:
// - purity: the loudest spurious line in float (the resampler's own, below 16-bit noise);
// - speed error in ppm (interpolated zero crossings) and the length error after the flush, in
//   output frames (0: nothing lost, nothing added);
// - the delay, from where a step comes out (the libraries that compensate their delay give 0);
// - CPU per audio second for stereo, best of five runs of 60 s.
// The engine's choice (libsoxr, "high quality") is printed as FIGURE lines beside each other
// library's cheapest setting that keeps its own lines below -100 dB.
#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "figure_line.h"
#include "support/pcm_analysis.h"

namespace {

constexpr int kOutRate = 44100;

// One channel count, float in and out, fed in pieces, then flushed.
class Resampler {
  public:
    virtual ~Resampler() = default;
    virtual void Put(const float* in, size_t frames, std::vector<float>& out) = 0;
    virtual void Flush(std::vector<float>& out) = 0;
};

class Soxr : public Resampler {
  public:
    Soxr(int rate, int channels, unsigned long recipe) : channels_(channels) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(recipe, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        s_ = soxr_create(rate, kOutRate, unsigned(channels), nullptr, &io, &quality, &runtime);
    }
    ~Soxr() override { soxr_delete(s_); }
    void Put(const float* in, size_t frames, std::vector<float>& out) override {
        for (;;) {
            size_t used = 0, made = 0;
            soxr_process(s_, in, frames, &used, buffer_, kFrames, &made);
            out.insert(out.end(), buffer_, buffer_ + made * channels_);
            in += used * channels_;
            frames -= used;
            if (frames == 0 && made < kFrames) return;
        }
    }
    void Flush(std::vector<float>& out) override {
        for (size_t made = 1; made > 0;) {
            soxr_process(s_, nullptr, 0, nullptr, buffer_, kFrames, &made);
            out.insert(out.end(), buffer_, buffer_ + made * channels_);
        }
    }

  private:
    static constexpr size_t kFrames = 4096;
    soxr_t s_;
    size_t channels_;
    float buffer_[kFrames * 2];
};

class Src : public Resampler {
  public:
    Src(int rate, int channels, int type) : channels_(channels), ratio_(double(kOutRate) / rate) {
        int error = 0;
        s_ = src_new(type, channels, &error);
    }
    ~Src() override { src_delete(s_); }
    void Put(const float* in, size_t frames, std::vector<float>& out) override {
        Run(in, frames, false, out);
    }
    void Flush(std::vector<float>& out) override {
        const float none = 0; // libsamplerate refuses a null input even when it is empty
        Run(&none, 0, true, out);
    }

  private:
    void Run(const float* in, size_t frames, bool end, std::vector<float>& out) {
        SRC_DATA d{};
        d.data_in = in;
        d.input_frames = long(frames);
        d.src_ratio = ratio_;
        d.end_of_input = end;
        for (;;) {
            d.data_out = buffer_;
            d.output_frames = kFrames;
            src_process(s_, &d);
            out.insert(out.end(), buffer_, buffer_ + d.output_frames_gen * channels_);
            d.data_in += d.input_frames_used * channels_;
            d.input_frames -= d.input_frames_used;
            if (d.input_frames == 0 && (!end || d.output_frames_gen == 0)) return;
        }
    }
    static constexpr long kFrames = 4096;
    SRC_STATE* s_;
    long channels_;
    double ratio_;
    float buffer_[kFrames * 2];
};

class Speex : public Resampler {
  public:
    Speex(int rate, int channels, int quality) : channels_(channels) {
        int error = 0;
        s_ = speex_resampler_init(spx_uint32_t(channels), spx_uint32_t(rate), kOutRate, quality,
                                  &error);
        speex_resampler_skip_zeros(s_);
    }
    ~Speex() override { speex_resampler_destroy(s_); }
    void Put(const float* in, size_t frames, std::vector<float>& out) override {
        while (frames > 0) {
            spx_uint32_t used = spx_uint32_t(frames), made = kFrames;
            speex_resampler_process_interleaved_float(s_, in, &used, buffer_, &made);
            out.insert(out.end(), buffer_, buffer_ + made * channels_);
            in += used * channels_;
            frames -= used;
        }
    }
    // speexdsp has no flush: its input latency in silence pushes the tail out.
    void Flush(std::vector<float>& out) override {
        std::vector<float> silence(size_t(speex_resampler_get_input_latency(s_)) * channels_);
        Put(silence.data(), silence.size() / channels_, out);
    }

  private:
    static constexpr spx_uint32_t kFrames = 4096;
    SpeexResamplerState* s_;
    size_t channels_;
    float buffer_[kFrames * 2];
};

struct Kind {
    std::string name;
    std::function<std::unique_ptr<Resampler>(int rate, int channels)> make;
};

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

std::vector<float> Sine(int rate, int channels, double seconds, double hz) {
    std::vector<float> pcm(size_t(seconds * rate) * size_t(channels));
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] =
            float(0.5 * std::sin(2 * std::numbers::pi * hz * double(i / size_t(channels)) / rate));
    return pcm;
}

// With `keep` false the output is dropped piece by piece, so that only the resampler is timed.
std::vector<float> Convert(const Kind& kind, int rate, int channels, const std::vector<float>& in,
                           bool keep = true) {
    const size_t piece = rate >= 32000 ? 1152 : 576;
    auto r = kind.make(rate, channels);
    std::vector<float> out;
    out.reserve(keep ? in.size() * kOutRate / size_t(rate) + 65536 : 65536);
    const size_t frames = in.size() / size_t(channels);
    for (size_t at = 0; at < frames; at += piece) {
        r->Put(in.data() + at * channels, std::min(piece, frames - at), out);
        if (!keep) out.clear();
    }
    r->Flush(out);
    return out;
}

struct Result {
    double spuriousDb, ppm, lengthError, delayMs, cpuMs;
};

Result Measure(const Kind& kind, int rate) {
    Result result{};
    const double hz = 1450, seconds = 5;
    const auto tone = Sine(rate, 1, seconds, hz);
    const auto out = Convert(kind, rate, 1, tone);
    const auto measure = veldo::testing::MeasureTone(std::vector<double>(out.begin(), out.end()),
                                                     kOutRate, kOutRate / 2);
    result.spuriousDb = measure.spuriousDb;
    result.ppm = (measure.frequency / hz - 1) * 1e6;
    result.lengthError = double(out.size()) - double(tone.size()) * kOutRate / rate;
    // A step at 50 ms: where it crosses half way in the output.
    std::vector<float> step(size_t(rate / 10), 0.0f);
    std::fill(step.begin() + rate / 20, step.end(), 0.5f);
    const auto stepped = Convert(kind, rate, 1, step);
    const auto half =
        std::find_if(stepped.begin(), stepped.end(), [](float v) { return v > 0.25f; });
    result.delayMs = (double(half - stepped.begin()) - kOutRate / 20.0) * 1000.0 / kOutRate;
    const auto stereo = Sine(rate, 2, 60, 440);
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const double start = CpuSeconds();
        Convert(kind, rate, 2, stereo, false);
        best = std::min(best, CpuSeconds() - start);
    }
    result.cpuMs = best * 1000 / 60;
    return result;
}

} // namespace

int main() {
    const std::vector<Kind> kinds = {
        {"libsoxr HQ", [](int r, int c) { return std::make_unique<Soxr>(r, c, SOXR_HQ); }},
        {"libsoxr VHQ", [](int r, int c) { return std::make_unique<Soxr>(r, c, SOXR_VHQ); }},
        {"libsamplerate sinc fastest",
         [](int r, int c) { return std::make_unique<Src>(r, c, SRC_SINC_FASTEST); }},
        {"libsamplerate sinc medium",
         [](int r, int c) { return std::make_unique<Src>(r, c, SRC_SINC_MEDIUM_QUALITY); }},
        {"speexdsp quality 4", [](int r, int c) { return std::make_unique<Speex>(r, c, 4); }},
        {"speexdsp quality 7", [](int r, int c) { return std::make_unique<Speex>(r, c, 7); }},
        {"speexdsp quality 10", [](int r, int c) { return std::make_unique<Speex>(r, c, 10); }},
    };
    const int rates[] = {48000, 32000, 24000, 22050, 16000, 12000, 11025, 8000};
    std::printf("%-28s %6s %10s %8s %10s %9s %10s\n", "resampler", "rate", "spurs dB", "ppm",
                "length", "delay ms", "CPU ms/s");
    std::vector<std::vector<Result>> all(kinds.size());
    for (const int rate : rates) {
        for (size_t k = 0; k < kinds.size(); ++k) {
            const Result r = Measure(kinds[k], rate);
            all[k].push_back(r);
            std::printf("%-28s %6d %10.1f %8.3f %10.0f %9.3f %10.3f\n", kinds[k].name.c_str(), rate,
                        r.spuriousDb, r.ppm, r.lengthError, r.delayMs, r.cpuMs);
        }
    }
    // Worst line over all rates, and CPU at 48 kHz, against the engine's choice.
    auto worst = [&](size_t k) {
        double w = -400;
        for (const auto& r : all[k])
            w = std::max(w, r.spuriousDb);
        return w;
    };
    for (size_t k : {2, 3, 4, 5}) {
        veldo::bench::PrintFigure("libsoxr HQ CPU per audio second, 48 kHz stereo", all[0][0].cpuMs,
                                  "ms", kinds[k].name, all[k][0].cpuMs, "<= 1");
        veldo::bench::PrintFigure("libsoxr HQ worst spurious line, 8-48 kHz", worst(0), "dB",
                                  kinds[k].name, worst(k), "<= -100 dB");
    }
    return 0;
}
