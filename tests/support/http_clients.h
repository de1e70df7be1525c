#pragma once
// The program's HTTP clients behind one signature, so that one table of server behaviours runs
// against all of them: the web request, the URL fetch into memory (covers) and into a file
// (downloads), and the audio engine.
#include <functional>
#include <string>
#include <vector>

namespace veldo::testing {

struct HttpClient {
    std::string name;
    // True when the client got the whole body of `url` and it is `expected`; for the engine,
    // when a stream opened on `url` and began to play (so `expected` must be an MP3).
    std::function<bool(const std::string& url, const std::string& expected)> fetches;
};

// Every client. The engine runs on SDL's dummy driver, opened for each fetch and freed after,
// so BASS must not be in use by the caller.
const std::vector<HttpClient>& HttpClients();

// An MP3 of two seconds (a 440 Hz tone, 128 kbit/s) that every client can fetch; made once.
const std::string& ClientTestMp3();

} // namespace veldo::testing
