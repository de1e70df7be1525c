#include "platform/audio/leading_tag_skipper.h"

#include <algorithm>

namespace veldo::audio {

namespace {

constexpr size_t kHeaderBytes = 10;

// False as soon as `start` cannot begin an ID3v2 header: "ID3", a version and revision other
// than 0xFF, flags, and a size of four 7-bit bytes.
bool MayBeHeader(const std::string& start) {
    static const char kMagic[] = "ID3";
    for (size_t i = 0; i < start.size(); ++i) {
        const auto byte = static_cast<unsigned char>(start[i]);
        if (i < 3 && start[i] != kMagic[i]) return false;
        if ((i == 3 || i == 4) && byte == 0xFF) return false;
        if (i >= 6 && byte >= 0x80) return false;
    }
    return true;
}

// The whole tag's length, header and footer included, from a complete header.
uint64_t TagBytes(const std::string& header) {
    uint64_t size = 0;
    for (size_t i = 6; i < kHeaderBytes; ++i)
        size = size << 7 | (static_cast<unsigned char>(header[i]) & 0x7F);
    const bool footer = static_cast<unsigned char>(header[5]) & 0x10;
    return kHeaderBytes + size + (footer ? kHeaderBytes : 0);
}

} // namespace

void LeadingTagSkipper::Pass(const char* data, size_t length, std::string& out) {
    while (!done_ && length > 0) {
        if (skipLeft_ > 0) {
            const size_t n = size_t(std::min<uint64_t>(skipLeft_, length));
            skipLeft_ -= n;
            skipped_ += n;
            data += n;
            length -= n;
            continue;
        }
        header_ += *data++;
        --length;
        if (!MayBeHeader(header_)) {
            done_ = true; // not a tag: what was held is the stream's own
            out += header_;
            header_.clear();
        } else if (header_.size() == kHeaderBytes) {
            skipLeft_ = TagBytes(header_) - kHeaderBytes;
            skipped_ += kHeaderBytes;
            header_.clear();
        }
    }
    out.append(data, length);
}

} // namespace veldo::audio
