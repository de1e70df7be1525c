// The engine through SDL's real PulseAudio back end (not the disk driver), against a PulseAudio
// server the test starts with a null sink in a runtime folder of its own; parec records the
// sink's monitor, which is what a listener would hear, and notes when each piece arrived. A
// 440 Hz tone with a 10 ms gap every half second plays: the tone is identified, pause silences
// it and play resumes it where it stopped (the gaps stay half a second apart across the pause),
// and the position the engine reports agrees with what is heard at that moment within 100 ms;
// also after a pause long enough for the engine to close its device. Without a recorder (whose
// reading of the monitor keeps the sink awake), the server suspends the sink while nothing
// plays: at rest, paused, after the end. Skipped where pulseaudio, pactl or parec is not
// installed (scripts/install-deps installs them), unless VELDO_REQUIRE_DESKTOP_TOOLS is set.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <sstream>
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
                recording = true;
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

    std::atomic<bool> recording{false};              // the first piece has come: parec is connected
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
    std::vector<std::pair<size_t, size_t>> gapRuns; // the same gaps: start and end frames
    // Silences longer than a gap, the pause among them: start and end frames. Any but the pause
    // is an underrun of a machine too busy to feed the server in time; the sound goes on after
    // it where it was, so it is no part of the sound.
    std::vector<std::pair<size_t, size_t>> silences;
    // Seconds of the sound heard up to `frame`, the pause and any underrun left out.
    double ContentAt(size_t frame) const {
        size_t played = frame - onset;
        for (const auto& [start, stop] : silences)
            if (start < frame) played -= std::min(frame, stop) - start;
        return double(played) / kRate;
    }
    // A designed gap lies a whole number of half seconds of sound after the gap before it (the
    // first, after the onset); a short silence off that grid is a dropout, so it joins the
    // silences. Each gap is placed from the one before, so that the window's rounding of every
    // silence left out does not add up over many dropouts. A dropout that joins a designed gap
    // moves it off the grid by its share; a gap that the next one keeps to the grid with is
    // taken for such a one. Across the pause the grid must hold, as far as a gap the pause's
    // silence took in allows: a resumption in the wrong place moves every gap after it.
    void SeparateDropouts() {
        const auto onGrid = [&](size_t from, double phase, size_t to, double tolerance) {
            const double since = ContentAt(to) - ContentAt(from) + phase - kGapLength / 2;
            return std::abs(since - std::round(since / kGapEvery) * kGapEvery) <= tolerance;
        };
        const auto acrossPause = [&](size_t a, size_t b) { return a < pauseStart && b > pauseEnd; };
        constexpr double kTolerance = 0.01;
        std::vector<size_t> centres;
        std::vector<std::pair<size_t, size_t>> runs;
        size_t reference = onset;
        double referencePhase = 0; // where `reference` lies on the grid: onset 0, a gap its middle
        for (size_t i = 0; i < gapRuns.size(); ++i) {
            const size_t centre = gapCentres[i];
            const bool across = acrossPause(reference, centre);
            bool designed = onGrid(reference, referencePhase, centre,
                                   across ? kTolerance + kGapLength : kTolerance);
            if (!designed && !across && i + 1 < gapRuns.size() &&
                !acrossPause(centre, gapCentres[i + 1]))
                designed = onGrid(centre, kGapLength / 2, gapCentres[i + 1], kTolerance);
            if (!designed) {
                silences.push_back(gapRuns[i]);
                continue;
            }
            reference = centre;
            referencePhase = kGapLength / 2;
            centres.push_back(centre);
            runs.push_back(gapRuns[i]);
        }
        gapCentres = centres;
        gapRuns = runs;
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
    for (const auto& [start, length] : quiet) {
        if (length >= 2 && length <= 12 && start * kWindow != heard.pauseStart) {
            heard.gapCentres.push_back(start * kWindow + length * kWindow / 2);
            heard.gapRuns.push_back({start * kWindow, (start + length) * kWindow});
        }
        if (length > 12) heard.silences.push_back({start * kWindow, (start + length) * kWindow});
    }
    return heard;
}

class SoundServerTest : public EngineTest {
  protected:
    void SetUp() override {
        for (const char* tool : {"/usr/bin/pulseaudio", "/usr/bin/parec", "/usr/bin/pactl"})
            if (!std::filesystem::exists(tool)) VELDO_SKIP_OR_FAIL(tool << " missing");
        // The server's socket, cookie and settings stay in a folder of this test's own.
        const auto runtime = folder_.path() / "runtime";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("HOME", runtime.c_str(), 1);
        std::vector<std::string> command = {"pulseaudio",
                                            "--daemonize=no",
                                            "--exit-idle-time=-1",
                                            "-n",
                                            "--load=module-null-sink sink_name=vsink",
                                            "--load=module-native-protocol-unix"};
        // Not under the recorder: a suspended sink's monitor records nothing, not silence.
        if (suspendOnIdle_) command.push_back("--load=module-suspend-on-idle timeout=1");
        ASSERT_TRUE(server_.Start(command));
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(runtime / "pulse" / "native"); },
                              std::chrono::seconds(20)));
    }
    void TearDown() override {
        EngineTest::TearDown();
        server_.Signal(SIGTERM);
        int status = 0;
        server_.WaitForEnd(std::chrono::seconds(5), status);
    }
    // Plays the gapped tone, pauses it for `pauseSeconds` (or, with `untilClosed`, until the
    // engine has closed its device), plays it on and checks what was heard against the tone and
    // the positions the engine reported meanwhile.
    // Plays, pauses and plays a tone while recording what the server's sink hears. A dropout of
    // the server or of the recorder on a loaded machine leaves a silence that reads as a gap off
    // the half-second grid; such a recording is taken again, up to three times, while a
    // resumption in the wrong place moves every later gap in each of them.
    void Listen(double pauseSeconds, bool untilClosed) {
        for (int attempt = 1; attempt <= 3; ++attempt) {
            bool spoiled = false;
            PlayPauseAndListen(pauseSeconds, untilClosed, attempt == 3, spoiled);
            if (!spoiled || HasFatalFailure()) return;
            BASS_Free();
        }
    }
    void PlayPauseAndListen(double pauseSeconds, bool untilClosed, bool lastTry, bool& spoiled);

    // Clients of the server that play into the sink (the engine's open device).
    static int PlayingClients() {
        std::istringstream lines(PactlList("sink-inputs"));
        int count = 0;
        for (std::string line; std::getline(lines, line);)
            count += !line.empty();
        return count;
    }
    // RUNNING, IDLE or SUSPENDED: the null sink's state as `pactl list sinks short` gives it.
    static std::string SinkState() {
        std::istringstream fields(PactlList("sinks"));
        std::string field;
        while (fields >> field)
            if (field == "RUNNING" || field == "IDLE" || field == "SUSPENDED") return field;
        return "";
    }
    static std::string PactlList(const char* what) {
        ChildProcess pactl;
        if (!pactl.Start({"pactl", "list", what, "short"}, true)) return "";
        std::string text;
        char buffer[1024];
        for (long got; (got = pactl.Read(buffer, sizeof buffer)) > 0;)
            text.append(buffer, size_t(got));
        return text;
    }

    ChildProcess server_;
    bool suspendOnIdle_ = false;
    std::string toneUrl_;
};

class SuspendingSoundServerTest : public SoundServerTest {
  protected:
    SuspendingSoundServerTest() { suspendOnIdle_ = true; }
};

void SoundServerTest::PlayPauseAndListen(double pauseSeconds, bool untilClosed, bool lastTry,
                                         bool& spoiled) {
    if (toneUrl_.empty()) toneUrl_ = Serve("/tone.mp3", {EncodeMp3(GappedTone(6))});
    const std::string url = toneUrl_;
    Recorder recorder;
    ASSERT_TRUE(recorder.Start());
    // parec may take a while to connect on a busy machine: the sound must not start before.
    ASSERT_TRUE(WaitUntil([&] { return recorder.recording.load(); }));
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
    const double pausedAt = Seconds(Clock::now());
    readFor(pauseSeconds, false);
    if (untilClosed)
        ASSERT_TRUE(WaitUntil([&] { return PlayingClients() == 0; }, std::chrono::seconds(6)))
            << "the device stayed open while paused";
    const double playAt = Seconds(Clock::now());
    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    const double playReturnedAt = Seconds(Clock::now());
    readFor(1.5, true);
    BASS_ChannelStop(stream);
    Sleep(300);
    recorder.Stop();

    std::vector<int16_t> left;
    for (size_t i = 0; i < recorder.samples.size(); i += 2)
        left.push_back(recorder.samples[i]);
    Heard heard = Analyse(left);
    ASSERT_GT(heard.end, heard.onset) << "nothing was heard";
    heard.SeparateDropouts();
    std::printf("silences (the pause, dropouts): %zu\n", heard.silences.size());
    // Play went on where it stopped: gaps stay on the grid after the pause as before it. A
    // resumption in the wrong place would leave none there (each would read as a dropout).
    const auto before = std::count_if(heard.gapCentres.begin(), heard.gapCentres.end(),
                                      [&](size_t c) { return c < heard.pauseStart; });
    const auto after = std::count_if(heard.gapCentres.begin(), heard.gapCentres.end(),
                                     [&](size_t c) { return c > heard.pauseEnd; });
    if (!lastTry && (before < 2 || after < 2)) {
        std::printf("too few gaps on the grid (%zd, %zd); listening again\n", before, after);
        spoiled = true;
        return;
    }
    EXPECT_GE(before, 2);
    EXPECT_GE(after, 2);

    // The tone, measured between each two gaps with no dropout between them: the median, since
    // a dropout too short to be told from the tone still takes a few periods out of its piece.
    ASSERT_GE(heard.gapCentres.size(), 2u);
    const auto clean = [&](size_t a, size_t b) {
        return std::none_of(heard.silences.begin(), heard.silences.end(),
                            [&](auto silence) { return silence.first > a && silence.first < b; });
    };
    std::vector<double> frequencies;
    for (size_t i = 1; i < heard.gapCentres.size(); ++i) {
        const size_t from = heard.gapCentres[i - 1] + size_t(0.02 * kRate);
        const size_t to = heard.gapCentres[i] - size_t(0.02 * kRate);
        if (from < to && clean(from, to))
            frequencies.push_back(
                ZeroCrossingFrequency({left.begin() + from, left.begin() + to}, kRate));
    }
    ASSERT_FALSE(frequencies.empty()) << "a dropout between every two gaps";
    std::nth_element(frequencies.begin(), frequencies.begin() + frequencies.size() / 2,
                     frequencies.end());
    EXPECT_NEAR(frequencies[frequencies.size() / 2], 440, 2);

    // Pause silenced it for as long as it lasted.
    EXPECT_NEAR(double(heard.pauseEnd - heard.pauseStart) / kRate, playAt - pausedAt, 0.2);

    // The position read at time t against what was heard at t.
    const double frameZero = recorder.FrameZeroTime();
    std::printf("play took %.1f ms; the sound was heard again %.1f ms after the request\n",
                1000 * (playReturnedAt - playAt),
                1000 * (frameZero + double(heard.pauseEnd) / kRate - playAt));
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

TEST_F(SoundServerTest, ToneIsHeardPausedResumedAndThePositionIsWhatIsHeard) {
    Listen(1.0, false);
}

// The engine closes its device during the pause; playing opens it again, and the sound goes on
// where it stopped, in time with the position.
TEST_F(SoundServerTest, AfterAPauseThatClosedTheDeviceTheToneGoesOnWhereItStopped) {
    Listen(1.0, true);
}

// With nothing playing (at start, paused, after the end) the engine holds no stream on the
// server, so the server suspends the sink; playing wakes it. The limits are three times what
// the engine (2 s to close) and the server (1 s of idleness) allow.
TEST_F(SuspendingSoundServerTest, SinkSuspendsWhileNothingPlaysAndRunsOnPlay) {
    const std::string url = Serve("/tone.mp3", {EncodeMp3(GappedTone(3))});
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const auto suspended = [] { return SinkState() == "SUSPENDED"; };
    const auto running = [] { return SinkState() == "RUNNING"; };
    EXPECT_TRUE(WaitUntil(suspended, std::chrono::seconds(9))) << "at start: " << SinkState();
    const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(PlayingClients(), 0); // a stream made ready is not yet played

    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    EXPECT_TRUE(WaitUntil(running, std::chrono::seconds(3))) << "playing: " << SinkState();
    Sleep(500);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    const QWORD paused = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    EXPECT_TRUE(WaitUntil(suspended, std::chrono::seconds(9))) << "paused: " << SinkState();
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), paused);

    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    EXPECT_TRUE(WaitUntil(running, std::chrono::seconds(3))) << "resumed: " << SinkState();
    ASSERT_TRUE(WaitUntil([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > paused; },
                          std::chrono::seconds(3)));
    const QWORD resumed = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    EXPECT_LT(double(resumed - paused) / (kRate * 4), 0.3)
        << "the sound did not go on where it was";
    EXPECT_TRUE(WaitUntil([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
    EXPECT_TRUE(WaitUntil(suspended, std::chrono::seconds(9))) << "after the end: " << SinkState();
}

} // namespace
} // namespace veldo::testing
