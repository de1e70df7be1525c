#include "sample_site/music_synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace veldo {
namespace {

// std::mt19937 is specified bit for bit; the std distributions are not, so choices are taken
// with plain modulo to stay identical across standard libraries.
class Dice {
  public:
    explicit Dice(uint32_t seed) : engine_(seed) {}
    int Below(int n) { return static_cast<int>(engine_() % static_cast<uint32_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    double Unit() { return engine_() / 4294967296.0; }

  private:
    std::mt19937 engine_;
};

// One period of a sine, looked up with linear interpolation: fast, and the same on every run.
class SineTable {
  public:
    SineTable() {
        for (size_t k = 0; k <= kSize; ++k)
            table_[k] = static_cast<float>(std::sin(2.0 * std::numbers::pi * k / kSize));
    }
    // `phase` in cycles, any non-negative value.
    float operator()(double phase) const {
        const double x = (phase - std::floor(phase)) * kSize;
        const auto k = static_cast<size_t>(x);
        const float frac = static_cast<float>(x - static_cast<double>(k));
        return table_[k] + (table_[k + 1] - table_[k]) * frac;
    }

  private:
    static constexpr size_t kSize = 4096;
    std::array<float, kSize + 1> table_{};
};

const SineTable& Sine() {
    static const SineTable table;
    return table;
}

double MidiToHz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

enum class Timbre { Pad, Bass, Pluck, Bell };

// A fundamental and two partials, each with an exponential decay (per second; 0 = steady).
struct Voice {
    double attack;
    double decay;
    float amp2;
    double ratio2, decay2;
    float amp3;
    double ratio3, decay3;
    double release;
};

Voice VoiceOf(Timbre timbre) {
    switch (timbre) {
    case Timbre::Pad:
        return {0.4, 0.0, 0.25f, 2.0, 0.0, 0.12f, 1.003, 0.0, 0.6};
    case Timbre::Bass:
        return {0.01, 2.5, 0.3f, 2.0, 0.0, 0.0f, 1.0, 0.0, 0.08};
    case Timbre::Pluck:
        return {0.005, 4.0, 0.45f, 2.0, 6.0, 0.2f, 3.0, 9.0, 0.08};
    case Timbre::Bell:
    default:
        return {0.003, 2.2, 0.35f, 2.76, 3.0, 0.0f, 1.0, 0.0, 0.08};
    }
}

struct Mix {
    std::vector<float> left, right;
    int rate;

    // Adds one note starting at `start` seconds, `length` seconds long (plus its release).
    // Decays advance by a constant factor per sample instead of calling exp() each time.
    void Note(double start, double length, double midi, float amp, float pan, Timbre timbre) {
        const Voice v = VoiceOf(timbre);
        const double hz = MidiToHz(midi);
        const auto first = static_cast<size_t>(start * rate);
        const auto count = static_cast<size_t>((length + v.release) * rate);
        const size_t last = std::min(first + count, left.size());
        const float gainL = amp * std::sqrt(0.5f * (1.0f - pan));
        const float gainR = amp * std::sqrt(0.5f * (1.0f + pan));
        const double step1 = std::exp(-v.decay / rate), step2 = std::exp(-v.decay2 / rate),
                     step3 = std::exp(-v.decay3 / rate);
        double d1 = 1, d2 = 1, d3 = 1;
        const SineTable& sine = Sine();
        for (size_t i = first; i < last; ++i, d1 *= step1, d2 *= step2, d3 *= step3) {
            const double t = static_cast<double>(i - first) / rate;
            const double phase = hz * t;
            double env = std::min(t / v.attack, 1.0) * d1;
            if (t > length) env *= std::max(0.0, 1.0 - (t - length) / v.release);
            const float wave = sine(phase) +
                               v.amp2 * static_cast<float>(d2) * sine(phase * v.ratio2) +
                               v.amp3 * static_cast<float>(d3) * sine(phase * v.ratio3);
            left[i] += gainL * static_cast<float>(env) * wave;
            right[i] += gainR * static_cast<float>(env) * wave;
        }
    }

    void Kick(double start, float amp) {
        const auto first = static_cast<size_t>(start * rate);
        const size_t last = std::min(first + static_cast<size_t>(0.25 * rate), left.size());
        const double fade = std::exp(-14.0 / rate), drop = std::exp(-30.0 / rate);
        double phase = 0, level = 1, sweep = 1;
        for (size_t i = first; i < last; ++i, level *= fade, sweep *= drop) {
            phase += (48.0 + 90.0 * sweep) / rate;
            const float v = amp * static_cast<float>(level) * Sine()(phase);
            left[i] += v;
            right[i] += v;
        }
    }

    void Hat(double start, float amp, float pan, Dice& dice) {
        const auto first = static_cast<size_t>(start * rate);
        const size_t last = std::min(first + static_cast<size_t>(0.05 * rate), left.size());
        float previous = 0;
        for (size_t i = first; i < last; ++i) {
            const double t = static_cast<double>(i - first) / rate;
            const auto noise = static_cast<float>(dice.Unit() * 2.0 - 1.0);
            const float v = amp * static_cast<float>(std::exp(-90.0 * t)) * (noise - previous);
            previous = noise;
            left[i] += v * (1.0f - pan) * 0.5f;
            right[i] += v * (1.0f + pan) * 0.5f;
        }
    }
};

constexpr std::array<int, 7> kMajor = {0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 7> kMinor = {0, 2, 3, 5, 7, 8, 10};
// Scale degrees (0-based) of well-worn four-chord progressions.
constexpr std::array<std::array<int, 4>, 6> kProgressions = {{
    {0, 4, 5, 3},
    {5, 3, 0, 4},
    {0, 5, 3, 4},
    {1, 4, 0, 0},
    {0, 3, 4, 3},
    {0, 2, 3, 4},
}};

// Pitch of scale step `step` (may be negative or beyond an octave) above `tonic`.
int ScaleNote(const std::array<int, 7>& scale, int tonic, int step) {
    const int octave = step >= 0 ? step / 7 : (step - 6) / 7;
    return tonic + 12 * octave + scale[step - 7 * octave];
}

} // namespace

std::vector<int16_t> SynthesizeMusic(uint32_t seed, double seconds, int sampleRate) {
    const auto frames = static_cast<size_t>(std::max(0.0, seconds) * sampleRate);
    Mix mix{std::vector<float>(frames), std::vector<float>(frames), sampleRate};
    Dice dice(seed * 2654435761u + 12345u);

    const double bpm = 70 + dice.Below(50);
    const double beat = 60.0 / bpm;
    const double bar = 4 * beat;
    const int tonic = 45 + dice.Below(12); // A2..G#3
    const auto& scale = dice.Chance(60) ? kMajor : kMinor;
    const auto& progression = kProgressions[dice.Below(kProgressions.size())];
    const Timbre lead = dice.Chance(50) ? Timbre::Pluck : Timbre::Bell;
    const bool drums = dice.Chance(70);
    const bool walkingBass = dice.Chance(40);

    // A two-bar motif of eighth notes on the pentatonic steps of the scale (-1 = rest),
    // repeated with small changes so the tune is recognisable.
    const std::array<int, 5> pentatonic =
        &scale == &kMajor ? std::array{0, 1, 2, 4, 5} : std::array{0, 2, 3, 4, 6};
    std::array<int, 16> motif{};
    int position = dice.Below(5);
    for (int& note : motif) {
        position = std::clamp(position + dice.Below(5) - 2, 0, 9);
        note = dice.Chance(25) ? -1 : position;
    }

    const int bars = static_cast<int>(seconds / bar) + 1;
    for (int b = 0; b < bars; ++b) {
        const double t0 = b * bar;
        const int degree = progression[b % 4];
        // Pads: the chord's triad, spread across the stereo field.
        for (int voice = 0; voice < 3; ++voice)
            mix.Note(t0, bar, ScaleNote(scale, tonic + 12, degree + 2 * voice), 0.07f,
                     -0.5f + 0.5f * voice, Timbre::Pad);
        // Bass: the chord's root on beats 1 and 3, or walking on every beat.
        for (int k = 0; k < 4; ++k) {
            if (!walkingBass && k % 2 == 1) continue;
            const int step = walkingBass ? degree + std::array{0, 2, 4, 2}[k] : degree;
            mix.Note(t0 + k * beat, beat * (walkingBass ? 0.9 : 1.8),
                     ScaleNote(scale, tonic - 12, step), 0.22f, 0.0f, Timbre::Bass);
        }
        // Melody from the second bar, resting every fourth bar.
        if (b >= 1 && b % 4 != 3) {
            for (int k = 0; k < 8; ++k) {
                int pent = motif[(b % 2) * 8 + k];
                if (pent < 0) continue;
                if (b >= 8 && dice.Chance(15)) pent = std::clamp(pent + dice.Below(3) - 1, 0, 9);
                const int midi =
                    ScaleNote(scale, tonic + 24, pentatonic[pent % 5] + 7 * (pent / 5));
                mix.Note(t0 + k * beat / 2, beat * 0.45, midi, 0.16f, 0.2f, lead);
            }
        }
        if (drums && b >= 2) {
            for (int k = 0; k < 4; ++k) {
                if (k % 2 == 0) mix.Kick(t0 + k * beat, 0.35f);
                mix.Hat(t0 + k * beat + beat / 2, 0.05f, 0.3f, dice);
            }
        }
    }

    // Fade in over 1 s and out over the last 3 s, then scale the peak to 85% of full scale.
    float peak = 1e-6f;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const auto fade = static_cast<float>(std::min({1.0, t / 1.0, (seconds - t) / 3.0}));
        mix.left[i] *= std::max(fade, 0.0f);
        mix.right[i] *= std::max(fade, 0.0f);
        peak = std::max({peak, std::abs(mix.left[i]), std::abs(mix.right[i])});
    }
    const float gain = 0.85f * 32767.0f / peak;
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        pcm[2 * i] = static_cast<int16_t>(std::lround(mix.left[i] * gain));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(mix.right[i] * gain));
    }
    return pcm;
}

} // namespace veldo
