#pragma once
// A fixture that runs the engine on SDL's disk driver: what would reach the speaker lands in a
// file of a temporary folder. Fast mode writes as fast as the engine can feed it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/audio/bass.h"
#include "sample_site/mp3_encoder.h"
#include "support/local_server.h"
#include "support/mp3_server.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace veldo::testing {

inline constexpr int kBytesPerSecond = 44100 * 4;

inline void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class EngineTest : public ::testing::Test {
  protected:
    void OpenDevice(bool fast) { OpenPacedDevice(fast ? 0 : -1); }
    // The disk driver waits `msPerBuffer` between two buffers of 2048 frames (46 ms of sound):
    // 0 runs as fast as the engine can feed it (a decoder that falls behind then leaves gaps of
    // silence), 10 about 4.6 times real time, -1 real time.
    void OpenPacedDevice(int msPerBuffer) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", Speaker().c_str(), 1);
        if (msPerBuffer >= 0) {
            setenv("SDL_DISKAUDIODELAY", std::to_string(msPerBuffer).c_str(), 1);
        } else {
            unsetenv("SDL_DISKAUDIODELAY");
        }
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
    void TearDown() override { BASS_Free(); }

    std::filesystem::path Speaker() const { return folder_.path() / "speaker.raw"; }

    // Serves `body` at `path` and starts the server.
    std::string Serve(const std::string& path, ServedFile file) {
        ServeFile(server_, path, std::move(file));
        server_.Start();
        return server_.Url(path);
    }

    static std::string Tone(double hz, double seconds, Mp3Settings settings = {}) {
        return EncodeMp3(SineTone(hz, seconds, 0.5, settings), settings);
    }

    TempDir folder_;
    LocalServer server_;
};

} // namespace veldo::testing
