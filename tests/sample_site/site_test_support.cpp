#include "site_test_support.h"

#include <mpg123.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <strings.h>

namespace veldo::testing {
namespace {

size_t FindNoCase(std::string_view text, std::string_view marker, size_t from) {
    if (marker.empty() || text.size() < marker.size()) return std::string_view::npos;
    for (size_t i = from; i + marker.size() <= text.size(); ++i)
        if (strncasecmp(text.data() + i, marker.data(), marker.size()) == 0) return i;
    return std::string_view::npos;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string Between(std::string_view text, std::string_view left, std::string_view right) {
    const size_t p = FindNoCase(text, left, 0);
    if (p == std::string_view::npos) return {};
    const size_t q = FindNoCase(text, right, p + left.size());
    if (q == std::string_view::npos) return {};
    return std::string(text.substr(p + left.size(), q - p - left.size()));
}

std::vector<std::string> AllBetween(std::string_view text, std::string_view left,
                                    std::string_view right) {
    std::vector<std::string> found;
    size_t from = 0;
    for (;;) {
        const size_t p = FindNoCase(text, left, from);
        if (p == std::string_view::npos) return found;
        const size_t q = FindNoCase(text, right, p + left.size());
        if (q == std::string_view::npos) return found;
        found.emplace_back(text.substr(p + left.size(), q - p - left.size()));
        from = q + right.size();
    }
}

std::string DecodeJsonEscapes(std::string_view json) {
    std::string out;
    for (size_t i = 0; i < json.size(); ++i) {
        if (json[i] != '\\' || i + 1 == json.size()) {
            out += json[i];
            continue;
        }
        const char c = json[++i];
        switch (c) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'u': {
            uint32_t unit = std::stoul(std::string(json.substr(i + 1, 4)), nullptr, 16);
            i += 4;
            if (unit >= 0xD800 && unit < 0xDC00 && json.substr(i + 1, 2) == "\\u") {
                const uint32_t low = std::stoul(std::string(json.substr(i + 3, 4)), nullptr, 16);
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 6;
            }
            AppendUtf8(out, unit);
            break;
        }
        default:
            out += c; // \" \\ \/
        }
    }
    return out;
}

DecodedMp3 DecodeMp3(std::string_view mp3) {
    DecodedMp3 result;
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (!handle) return result;
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_open_feed(handle);
    double sumSquares = 0;
    size_t samples = 0;
    bool failed = false;
    unsigned char pcm[16384];
    size_t done = 0;
    int status = mpg123_decode(handle, reinterpret_cast<const unsigned char*>(mp3.data()),
                               mp3.size(), pcm, sizeof pcm, &done);
    for (;;) {
        if (status == MPG123_NEW_FORMAT) {
            int encoding = 0;
            mpg123_getformat(handle, &result.rate, &result.channels, &encoding);
        } else if (status == MPG123_ERR) {
            failed = true;
            break;
        }
        const auto* values = reinterpret_cast<const int16_t*>(pcm);
        for (size_t k = 0; k < done / 2; ++k)
            sumSquares += double(values[k]) * values[k];
        samples += done / 2;
        if (status == MPG123_NEED_MORE || status == MPG123_DONE) break;
        status = mpg123_decode(handle, nullptr, 0, pcm, sizeof pcm, &done);
    }
    mpg123_delete(handle);
    result.ok = !failed && result.channels > 0 && samples > 0;
    if (result.channels > 0) result.frames = samples / result.channels;
    if (samples > 0) result.rms = std::sqrt(sumSquares / samples) / 32768.0;
    return result;
}

RawResponse RawGet(int port, const std::string& target) {
    RawResponse response;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return response;
    }
    response.connected = true;
    const std::string request =
        "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string all;
    char buffer[65536];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        all.append(buffer, n);
    close(fd);
    const size_t end = all.find("\r\n\r\n");
    if (end == std::string::npos) return response;
    response.head = all.substr(0, end);
    response.body = all.substr(end + 4);
    const std::string length = Between(response.head, "Content-Length: ", "\r\n");
    if (!length.empty())
        response.contentLength = std::stol(length);
    else if (const auto tail = response.head.rfind("Content-Length: "); tail != std::string::npos)
        response.contentLength = std::stol(response.head.substr(tail + 16));
    return response;
}

} // namespace veldo::testing
