#pragma once
// Helpers of the sample-site tests: the marker cuts the player applies to the site's texts, a
// JSON string-escape decoder, an MP3 decoder and a raw HTTP exchange that sees what the server
// really sent.
#include <string>
#include <string_view>
#include <vector>

namespace veldo::testing {

// The text between the first `left` (ASCII case ignored) and the first `right` after it.
std::string Between(std::string_view text, std::string_view left, std::string_view right);
// Every text between `left` and the nearest `right` after it, in order (case ignored).
std::vector<std::string> AllBetween(std::string_view text, std::string_view left,
                                    std::string_view right);

// Decodes the escapes of JSON text (\uXXXX with surrogate pairs, \/, \n ...) into UTF-8.
std::string DecodeJsonEscapes(std::string_view json);

struct DecodedMp3 {
    bool ok = false; // every byte decoded without error
    long rate = 0;
    int channels = 0;
    size_t frames = 0; // PCM frames
    double rms = 0;    // of all samples, 0..1 of full scale
};
DecodedMp3 DecodeMp3(std::string_view mp3);

struct RawResponse {
    bool connected = false;
    std::string head; // status line and headers
    std::string body; // whatever arrived before the server closed the connection
    long contentLength = -1;
};
// Sends "GET target HTTP/1.1" with Connection: close and reads until the server closes.
RawResponse RawGet(int port, const std::string& target);

} // namespace veldo::testing
