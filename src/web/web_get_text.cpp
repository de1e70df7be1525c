#include "web/web_get_text.h"

#include "web/web_request.h"

namespace veldo {

Text WebGetText(const Text& url, std::size_t maxBodyBytes) {
    WebRequestOptions options;
    options.maxBodyBytes = maxBodyBytes;
    const ByteArray body = WebRequest(url, options);
    return Text(body.c_str()); // a text ends at the body's first zero byte
}

} // namespace veldo
