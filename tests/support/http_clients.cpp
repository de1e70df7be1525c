#include "http_clients.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "file_bytes.h"
#include "platform/audio/bass.h"
#include "platform/net/url_fetch.h"
#include "sample_site/mp3_encoder.h"
#include "temp_dir.h"
#include "wait_until.h"
#include "web/web_request.h"

namespace veldo::testing {
namespace {

bool FetchesToFile(const std::string& url, const std::string& expected) {
    static const TempDir folder;
    const auto file = folder.path() / "fetched";
    const bool fetched = FetchUrlToFile(url, file);
    const std::string saved = ReadFileBytes(file);
    std::filesystem::remove(file);
    return fetched && saved == expected;
}

bool EnginePlays(const std::string& url) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) return false;
    bool playing = false;
    if (const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr)) {
        BASS_ChannelPlay(stream, false);
        playing = WaitUntil([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > 0; },
                            std::chrono::seconds(5));
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
