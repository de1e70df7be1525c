#include "mp3_server.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace veldo::testing {

void ServeFile(LocalServer& server, const std::string& path, ServedFile file) {
    auto shared = std::make_shared<ServedFile>(std::move(file));
    server.server().Get(path, [shared](const httplib::Request&, httplib::Response& response) {
        const ServedFile& f = *shared;
        response.set_content_provider(
            f.body.size(), f.contentType,
            [shared](size_t offset, size_t length, httplib::DataSink& sink) {
                const ServedFile& f = *shared;
                if (offset >= f.truncateAt) return false;
                size_t n = std::min({length, size_t(16384), f.truncateAt - offset});
                if (offset < f.pauseAfter) n = std::min(n, f.pauseAfter - offset);
                if (offset == f.pauseAfter && f.pauseMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(f.pauseMs));
                if (f.bytesPerSecond > 0) {
                    n = std::max<size_t>(1, std::min(n, f.bytesPerSecond / 10)); // short sleeps
                    std::this_thread::sleep_for(
                        std::chrono::microseconds(n * 1000000 / f.bytesPerSecond));
                }
                return sink.write(f.body.data() + offset, n);
            });
    });
}

} // namespace veldo::testing
