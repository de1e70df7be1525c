#include "mp3_server.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace veldo::testing {
namespace {

// Sends the next piece of `f` from `offset`, paced as the file asks; false ends the connection.
bool SendFrom(const ServedFile& f, size_t offset, size_t length, httplib::DataSink& sink) {
    if (offset >= f.truncateAt) return false;
    size_t n = std::min({length, size_t(16384), f.truncateAt - offset});
    if (offset < f.pauseAfter) n = std::min(n, f.pauseAfter - offset);
    if (offset == f.pauseAfter && f.pauseMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(f.pauseMs));
    if (f.bytesPerSecond > 0) {
        n = std::max<size_t>(1, std::min(n, f.bytesPerSecond / 10)); // short sleeps
        std::this_thread::sleep_for(std::chrono::microseconds(n * 1000000 / f.bytesPerSecond));
    }
    return sink.write(f.body.data() + offset, n);
}

} // namespace

void ServeFile(LocalServer& server, const std::string& path, ServedFile file) {
    auto shared = std::make_shared<ServedFile>(std::move(file));
    server.server().Get(path, [shared](const httplib::Request&, httplib::Response& response) {
        const ServedFile& f = *shared;
        if (f.chunked) {
            response.set_chunked_content_provider(
                f.contentType, [shared](size_t offset, httplib::DataSink& sink) {
                    const ServedFile& f = *shared;
                    if (offset >= f.body.size()) {
                        sink.done();
                        return true;
                    }
                    return SendFrom(f, offset, f.body.size() - offset, sink);
                });
            return;
        }
        response.set_content_provider(
            f.body.size(), f.contentType,
            [shared](size_t offset, size_t length, httplib::DataSink& sink) {
                return SendFrom(*shared, offset, length, sink);
            });
    });
}

} // namespace veldo::testing
