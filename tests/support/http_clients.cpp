#include "http_clients.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/audio/bass.h"
#include "platform/net/url_fetch.h"
#include "sample_site/mp3_encoder.h"
#include "temp_dir.h"
#include "web/web_request.h"

namespace veldo::testing {
namespace {

bool FetchesToFile(const std::string& url, const std::string& expected) {
    static const TempDir folder;
    const auto file = folder.path() / "fetched";
    const bool fetched = FetchUrlToFile(url, file);
    std::ifstream in(file, std::ios::binary);
    const std::string saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(file);
    return fetched && saved == expected;
}

bool EnginePlays(const std::string& url) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) return false;
    bool playing = false;
    if (const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr)) {
        BASS_ChannelPlay(stream, false);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!playing && std::chrono::steady_clock::now() < end) {
            playing = BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    BASS_Free();
    return playing;
}

} // namespace

const std::vector<HttpClient>& HttpClients() {
    static const std::vector<HttpClient> clients = {
        {"web request", [](const std::string& url,
                           const std::string& expected) { return WebRequest(url) == expected; }},
        {"URL fetch into memory",
         [](const std::string& url, const std::string& expected) {
             return FetchUrlBytes(url) == expected;
         }},
        {"URL fetch into a file", FetchesToFile},
        {"audio engine",
         [](const std::string& url, const std::string&) { return EnginePlays(url); }},
    };
    return clients;
}

const std::string& ClientTestMp3() {
    static const std::string mp3 = EncodeMp3(SineTone(440, 2.0));
    return mp3;
}

} // namespace veldo::testing
