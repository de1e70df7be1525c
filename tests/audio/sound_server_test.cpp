// The engine through SDL's real PulseAudio back end (not the disk driver), against a PulseAudio
// server the test starts with a null sink in a runtime folder of its own; parec records the
// sink's monitor, which is what a listener would hear, and notes when each piece arrived. A
// 440 Hz tone with a 10 ms gap every half second plays: the tone is identified, pause silences
// it and play resumes it where it stopped (the gaps stay half a second apart across the pause),
// and the position the engine reports agrees with what is heard at that moment within 100 ms.
// Skipped where pulseaudio or parec is not installed (scripts/install-deps installs both).
#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <thread>

#include "engine_fixture.h"
#include "support/child_process.h"
#include "support/pcm_analysis.h"
#include "support/skip_or_fail.h"

namespace veldo::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;
constexpr double kGapEvery = 0.5; // seconds of sound between gap starts
constexpr double kGapLength = 0.01;

double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// The tone with its gaps, as interleaved stereo PCM.
std::vector<int16_t> GappedTone(double seconds) {
    std::vector<int16_t> pcm = SineTone(440, seconds);
    for (double gap = kGapEvery; gap < seconds; gap += kGapEvery)
        for (size_t frame = size_t(gap * kRate); frame < size_t((gap + kGapLength) * kRate);
             ++frame)
            pcm[2 * frame] = pcm[2 * frame + 1] = 0;
    return pcm;
}

// parec on the null sink's monitor: the samples heard, and for each piece read, how many frames
// had arrived by then and when. Its thread is the only writer until Stop() joins it.
class Recorder {
  public:
    bool Start() {
        if (!parec_.Start({"parec", "-d", "vsink.monitor", "--format=s16le", "--rate=44100",
                           "--channels=2", "--raw", "--latency-msec=10"},
                          true))
            return false;
        thread_ = std::thread([this] {
            char buffer[4096];
            std::string pending;
            for (long got; (got = parec_.Read(buffer, sizeof buffer)) > 0;) {
                const auto now = Clock::now();
                pending.append(buffer, size_t(got));
                const size_t whole = pending.size() / 4 * 4;
                for (size_t i = 0; i < whole; i += 2)
                    samples.push_back(int16_t(uint16_t(uint8_t(pending[i])) |
                                              uint16_t(uint8_t(pending[i + 1])) << 8));
                pending.erase(0, whole);
                arrivals.push_back({samples.size() / 2, Seconds(now)});
            }
        });
        return true;
    }
    void Stop() {
        parec_.Signal(SIGTERM);
        if (thread_.joinable()) thread_.join();
    }
    // The time at which frame 0 was heard: arrivals are never early, so the earliest estimate
    // any arrival gives is the best.
    double FrameZeroTime() const {
        double best = 1e300;
        for (const auto& [frames, at] : arrivals)
            best = std::min(best, at - double(frames) / kRate);
        return best;
    }

    std::vector<int16_t> samples;                    // interleaved stereo
    std::vector<std::pair<size_t, double>> arrivals; // frames so far, steady seconds

  private:
    ChildProcess parec_;
    std::thread thread_;
};

// Where the sound is heard in the recording: its start, the pause's silence and the gaps.
struct Heard {
    size_t onset = 0, end = 0;           // first and last loud frame
    size_t pauseStart = 0, pauseEnd = 0; // the longest silence between them
    std::vector<size_t> gapCentres;
    // Seconds of the sound heard up to `frame`, the pause left out.
    double ContentAt(size_t frame) const {
        const size_t played = frame < pauseEnd ? std::min(frame, pauseStart) - onset
                                               : pauseStart - onset + (frame - pauseEnd);
        return double(played) / kRate;
    }
};

Heard Analyse(const std::vector<int16_t>& left) {
    Heard heard;
    constexpr size_t kWindow = 110; // 2.5 ms, longer than a period of the tone
    constexpr int kLoud = 4000;     // the tone peaks at 16384
    std::vector<bool> loud(left.size() / kWindow);
    for (size_t w = 0; w < loud.size(); ++w)
        for (size_t i = w * kWindow; i < (w + 1) * kWindow; ++i)
            if (std::abs(int(left[i])) > kLoud) loud[w] = true;
    const auto first = std::find(loud.begin(), loud.end(), true);
    const auto last = std::find(loud.rbegin(), loud.rend(), true);
    if (first == loud.end()) return heard;
    const size_t firstWindow = size_t(first - loud.begin());
    const size_t lastWindow = loud.size() - 1 - size_t(last - loud.rbegin());
    heard.onset = firstWindow * kWindow;
    while (std::abs(int(left[heard.onset])) < 1000)
        ++heard.onset;
    heard.end = (lastWindow + 1) * kWindow;
    std::vector<std::pair<size_t, size_t>> quiet; // runs of quiet windows: start, length
    for (size_t w = firstWindow; w <= lastWindow; ++w) {
        if (loud[w]) continue;
        if (quiet.empty() || quiet.back().first + quiet.back().second != w) quiet.push_back({w, 0});
        ++quiet.back().second;
    }
    const auto longest = std::max_element(quiet.begin(), quiet.end(),
                                          [](auto a, auto b) { return a.second < b.second; });
    if (longest != quiet.end()) {
        heard.pauseStart = longest->first * kWindow;
        heard.pauseEnd = (longest->first + longest->second) * kWindow;
    }
    for (const auto& [start, length] : quiet)
        if (length >= 2 && length <= 12 && start * kWindow != heard.pauseStart)
            heard.gapCentres.push_back(start * kWindow + length * kWindow / 2);
    return heard;
}

class SoundServerTest : public EngineTest {
  protected:
    void SetUp() override {
        for (const char* tool : {"/usr/bin/pulseaudio", "/usr/bin/parec"})
            if (!std::filesystem::exists(tool)) VELDO_SKIP_OR_FAIL(tool << " missing");
        // The server's socket, cookie and settings stay in a folder of this test's own.
        const auto runtime = folder_.path() / "runtime";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("HOME", runtime.c_str(), 1);
        ASSERT_TRUE(server_.Start({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                                   "--load=module-null-sink sink_name=vsink",
                                   "--load=module-native-protocol-unix"}));
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(runtime / "pulse" / "native"); },
                              std::chrono::seconds(20)));
    }
    void TearDown() override {
        EngineTest::TearDown();
        server_.Signal(SIGTERM);
        int status = 0;
        server_.WaitForEnd(std::chrono::seconds(5), status);
    }
    ChildProcess server_;
};

TEST_F(SoundServerTest, ToneIsHeardPausedResumedAndThePositionIsWhatIsHeard) {
    const std::string url = Serve("/tone.mp3", {EncodeMp3(GappedTone(6))});
    Recorder recorder;
    ASSERT_TRUE(recorder.Start());
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);

    // The engine's position every 50 ms: while playing, then paused, then playing again.
    struct Reading {
        double at, position;
        bool playing;
    };
    std::vector<Reading> readings;
    const auto readFor = [&](double seconds, bool playing) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            const double position =
                BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
            readings.push_back({Seconds(Clock::now()), position, playing});
            Sleep(50);
        }
    };
    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    readFor(2.2, true);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    readFor(1.0, false);
    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    readFor(1.5, true);
    BASS_ChannelStop(stream);
    Sleep(300);
    recorder.Stop();

    std::vector<int16_t> left;
    for (size_t i = 0; i < recorder.samples.size(); i += 2)
        left.push_back(recorder.samples[i]);
    const Heard heard = Analyse(left);
    ASSERT_GT(heard.end, heard.onset) << "nothing was heard";

    // The tone, measured between the last two gaps.
    ASSERT_GE(heard.gapCentres.size(), 2u);
    const size_t from = heard.gapCentres.end()[-2] + size_t(0.02 * kRate);
    const size_t to = heard.gapCentres.back() - size_t(0.02 * kRate);
    ASSERT_LT(from, to);
    EXPECT_NEAR(ZeroCrossingFrequency({left.begin() + from, left.begin() + to}, kRate), 440, 2);

    // Pause silenced it for about the second it lasted; play went on where it stopped, so every
    // gap lies a whole number of half seconds into the sound.
    EXPECT_NEAR(double(heard.pauseEnd - heard.pauseStart) / kRate, 1.0, 0.2);
    EXPECT_GE(heard.gapCentres.size(), 3u);
    for (size_t centre : heard.gapCentres) {
        const double content = heard.ContentAt(centre) - kGapLength / 2;
        EXPECT_NEAR(content, std::round(content / kGapEvery) * kGapEvery, 0.01)
            << "gap at " << content << " s of the sound";
    }

    // The position read at time t against what was heard at t.
    const double frameZero = recorder.FrameZeroTime();
    double worst = 0, sum = 0;
    int count = 0;
    for (const Reading& reading : readings) {
        const double heardFrame = (reading.at - frameZero) * kRate;
        if (heardFrame < double(heard.onset) + 0.15 * kRate) continue; // not started yet
        if (heardFrame > double(heard.end)) continue;
        const double content = reading.playing ? heard.ContentAt(size_t(heardFrame))
                                               : heard.ContentAt(heard.pauseStart);
        if (reading.playing && heardFrame >= double(heard.pauseStart) &&
            heardFrame < double(heard.pauseEnd) + 0.15 * kRate)
            continue; // the pause's silence (or the resumed start) is still on its way out
        const double error = reading.position - content;
        worst = std::max(worst, std::abs(error));
        sum += error;
        ++count;
        EXPECT_NEAR(reading.position, content, 0.1)
            << (reading.playing ? "playing" : "paused") << " at " << reading.at - frameZero;
    }
    EXPECT_GE(count, 30); // of about 90, less those before the sound was first heard
    std::printf("position minus heard: mean %.1f ms, worst %.1f ms over %d readings\n",
                1000 * sum / std::max(count, 1), 1000 * worst, count);
}

} // namespace
} // namespace veldo::testing
