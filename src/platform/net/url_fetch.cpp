#include "platform/net/url_fetch.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

#include "platform/net/curl_global.h"
#include "platform/net/net_timeouts.h"

namespace veldo {
namespace {

struct MemorySink {
    ByteArray bytes;
    std::size_t maxBytes;
};

std::size_t ToMemory(char* data, std::size_t size, std::size_t count, void* sink) {
    auto* memory = static_cast<MemorySink*>(sink);
    const std::size_t length = size * count;
    if (memory->bytes.size() + length > memory->maxBytes) return 0; // curl aborts the transfer
    memory->bytes.append(data, length);
    return length;
}

std::size_t ToFile(char* data, std::size_t size, std::size_t count, void* file) {
    return std::fwrite(data, 1, size * count, static_cast<std::FILE*>(file));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// One GET into `write`; true when curl finished the whole body and the status was 2xx.
// `blocksWindow`: the caller waits on the UI thread, so the whole exchange is time-limited.
bool Perform(const Text& url, curl_write_callback write, void* sink, bool blocksWindow) {
    if (!IsHttpUrl(url)) return false;
    EnsureCurlGlobalInit();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    if (!easy) return false;
    CURL* curl = easy.get();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    ApplyTransferSafety(curl);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    if (blocksWindow) curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, CurrentNetTotalLimitMs());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, sink);
    if (curl_easy_perform(curl) != CURLE_OK) return false; // includes a short body
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status >= 200 && status < 300;
}

} // namespace

bool IsHttpUrl(std::string_view url) {
    return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
}

ByteArray FetchUrlBytes(const Text& url, std::size_t maxBytes) {
    MemorySink sink{{}, maxBytes};
    if (!Perform(url, &ToMemory, &sink, true)) return {};
    return std::move(sink.bytes);
}

bool FetchUrlToFile(const Text& url, const std::filesystem::path& file) {
    if (!IsHttpUrl(url)) return false;
    std::unique_ptr<std::FILE, decltype(&std::fclose)> out(std::fopen(file.c_str(), "wb"),
                                                           &std::fclose);
    if (!out) return false;
    const bool fetched = Perform(url, &ToFile, out.get(), false);
    // Data still buffered must reach the disk too; a full disk shows here.
    const bool flushed = std::fflush(out.get()) == 0 && !std::ferror(out.get());
    return fetched && flushed && std::fclose(out.release()) == 0;
}

} // namespace veldo
