#include "platform/net/url_fetch.h"

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

} // namespace veldo
