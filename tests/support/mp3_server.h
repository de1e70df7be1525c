#pragma once
// Serving test files (MP3s or anything else) from a LocalServer, at full speed or paced: a
// pause in the middle, a byte rate, or a connection that ends before the announced length;
// with a Content-Length, or chunked without one.
#include <cstddef>
#include <string>

#include "local_server.h"

namespace veldo::testing {

struct ServedFile {
    std::string body;
    std::string contentType = "audio/mpeg";
    size_t pauseAfter = std::string::npos; // bytes sent before the pause
    int pauseMs = 0;
    size_t bytesPerSecond = 0;             // 0: as fast as possible
    size_t truncateAt = std::string::npos; // close the connection after this many bytes
    bool chunked = false;                  // no Content-Length: chunked transfer encoding
};

// Registers GET `path` on `server` (before Start). Content-Length is the whole body, unless
// the file is sent chunked.
void ServeFile(LocalServer& server, const std::string& path, ServedFile file);

} // namespace veldo::testing
