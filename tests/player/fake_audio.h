#pragma once
// A scripted stream in place of the engine, and a fixture that shows the main window with it.
// The fake answers for any handle; tests set what it reports.
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "app/main_window.h"
#include "player/audio_calls.h"
#include "player/spectrum_display.h"
#include "state/program_state.h"

namespace veldo::testing {

inline constexpr double kFakeBytesPerSecond = 44100 * 4;

struct FakeStream {
    QWORD length = 0;
    QWORD position = 0;
    QWORD positionStep = 0; // added to the position after every position query
    bool noFftData = false;
    std::array<float, kSpectrumBins> fft{};
    int positionQueries = 0;
};

inline FakeStream fake;

inline QWORD FakeGetLength(DWORD, DWORD) {
    return fake.length;
}
inline QWORD FakeGetPosition(DWORD, DWORD) {
    ++fake.positionQueries;
    const QWORD answer = fake.position;
    if (answer != kUnknownBytes) fake.position += fake.positionStep;
    return answer;
}
inline double FakeBytes2Seconds(DWORD, QWORD bytes) {
    return bytes > QWORD(INT64_MAX) ? -1 : double(bytes) / kFakeBytesPerSecond;
}
inline DWORD FakeGetData(DWORD, void* buffer, DWORD) {
    if (fake.noFftData) return kNoData;
    std::copy(fake.fft.begin(), fake.fft.end(), static_cast<float*>(buffer));
    return 1024;
}

inline AudioCalls FakeCalls() {
    AudioCalls calls;
    calls.channelGetLength = &FakeGetLength;
    calls.channelGetPosition = &FakeGetPosition;
    calls.channelBytes2Seconds = &FakeBytes2Seconds;
    calls.channelGetData = &FakeGetData;
    return calls;
}

inline QWORD BytesOf(double seconds) {
    return QWORD(seconds * kFakeBytesPerSecond);
}

// The main window shown, the fake engine in place, fresh spectrum levels.
class FakeStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake = FakeStream{};
        barLevel.fill(0);
        peakLevel.fill(0);
        currentStream = 7;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override { currentStream = 0; }

    ScopedAudioCalls calls{FakeCalls()};
    MainWindow window;
};

} // namespace veldo::testing
