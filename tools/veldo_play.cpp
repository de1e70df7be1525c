// veldo-play URL: plays one MP3 address through the audio engine and prints, once a second,
// the state, position, length and a one-line spectrum. A tool for trying the engine by hand.
// Options (for the benchmark): --fft-ms N queries the spectrum every N ms (default 50);
// --quiet prints only the final line. SIGINT, SIGTERM and SIGHUP stop the stream and end the
// program with 128 + the signal's number; a second one ends it at once. A stream cut short
// for good (its connection lost and not resumable) ends with status 1 and says so.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/audio/bass.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int number) {
    stopSignal = number;
}

// The handlers reset themselves: a second signal while the stream winds down ends the program.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
}

const char* StateName(DWORD state) {
    switch (state) {
    case BASS_ACTIVE_PLAYING:
        return "playing";
    case BASS_ACTIVE_STALLED:
        return "stalled";
    case BASS_ACTIVE_PAUSED:
        return "paused";
    default:
        return "stopped";
    }
}

// 32 characters, each the loudest of four bins, drawn with " .:-=+*#%@".
std::string SpectrumLine(const float* bins) {
    static const char levels[] = " .:-=+*#%@";
    std::string line;
    for (int column = 0; column < 32; ++column) {
        float loudest = 0;
        for (int k = 0; k < 4; ++k)
            loudest = std::max(loudest, bins[column * 4 + k]);
        const int level = std::min(9, int(loudest * 30));
        line += levels[level];
    }
    return line;
}

std::string Clock(double seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", int(seconds / 60), int(seconds) % 60);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const char* url = nullptr;
    int fftMs = 50;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fft-ms") == 0 && i + 1 < argc) {
            fftMs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--quiet") == 0) {
            quiet = true;
        } else {
            url = argv[i];
        }
    }
    if (!url) {
        std::fprintf(stderr, "usage: veldo-play [--fft-ms N] [--quiet] URL\n");
        return 2;
    }
    CatchStopSignals();
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "veldo-play: no usable audio device (error %d)\n",
                     BASS_ErrorGetCode());
        return 1;
    }
    const HSTREAM stream = BASS_StreamCreateURL(url, 0, 0, nullptr, nullptr);
    if (!stream) {
        std::fprintf(stderr, "veldo-play: cannot play %s (error %d)\n", url, BASS_ErrorGetCode());
        BASS_Free();
        return 1;
    }
    BASS_ChannelPlay(stream, false);

    float bins[128] = {};
    auto nextPrint = std::chrono::steady_clock::now();
    for (;;) {
        if (stopSignal != 0) {
            BASS_ChannelStop(stream);
            BASS_Free();
            return 128 + stopSignal;
        }
        const DWORD state = BASS_ChannelIsActive(stream);
        BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256);
        const auto now = std::chrono::steady_clock::now();
        if ((now >= nextPrint && !quiet) || state == BASS_ACTIVE_STOPPED) {
            const double position =
                BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
            const double length =
                BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
            std::printf("%-8s %s / %s |%s|\n", StateName(state), Clock(position).c_str(),
                        Clock(length).c_str(), SpectrumLine(bins).c_str());
            std::fflush(stdout);
            nextPrint += std::chrono::seconds(1);
        }
        if (state == BASS_ACTIVE_STOPPED) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(fftMs));
    }
    // Ended with less of the file than its server announced: the rest could not be had.
    const QWORD fetched = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD);
    const QWORD announced = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END);
    BASS_Free();
    if (announced != QWORD(-1) && fetched < announced) {
        std::fprintf(stderr, "veldo-play: the stream was cut after %llu of %llu bytes\n",
                     static_cast<unsigned long long>(fetched),
                     static_cast<unsigned long long>(announced));
        return 1;
    }
    return 0;
}
