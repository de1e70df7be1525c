#include "platform/net/url_fetch.h"

#include <cstdio>
#include <memory>

#include "platform/net/http_transfer.h"

namespace veldo {
namespace {

// One GET into `sink`; true when the whole body arrived with a 2xx status.
bool Fetch(HttpTransfer& transfer, HttpTransfer::BodySink sink) {
    transfer.OnBody(std::move(sink));
    if (transfer.Perform() != CURLE_OK) return false; // includes a short body
    return transfer.Status() >= 200 && transfer.Status() < 300;
}

} // namespace

std::string FetchUrlBytes(const std::string& url, std::size_t maxBytes) {
    // The window waits for this one: the whole exchange has a deadline.
    TransferChain chain(CurrentNetTotalLimit());
    HttpTransfer transfer(url, chain);
    std::string bytes;
    const bool fetched = Fetch(transfer, [&](const char* data, std::size_t size) {
        if (bytes.size() + size > maxBytes) return false;
        bytes.append(data, size);
        return true;
    });
    if (!fetched) return {};
    return bytes; // moved, not copied: it may be tens of megabytes
}

bool FetchUrlToFile(const std::string& url, const std::filesystem::path& file) {
    HttpTransfer transfer(url);
    if (!transfer.Opened()) return false;
    std::unique_ptr<std::FILE, decltype(&std::fclose)> out(std::fopen(file.c_str(), "wb"),
                                                           &std::fclose);
    if (!out) return false;
    const bool fetched = Fetch(transfer, [&](const char* data, std::size_t size) {
        return std::fwrite(data, 1, size, out.get()) == size;
    });
    // Data still buffered must reach the disk too; a full disk shows here.
    const bool flushed = std::fflush(out.get()) == 0 && !std::ferror(out.get());
    return fetched && flushed && std::fclose(out.release()) == 0;
}

} // namespace veldo
