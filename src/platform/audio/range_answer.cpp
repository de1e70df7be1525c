#include "platform/audio/range_answer.h"

#include <cctype>
#include <charconv>

namespace veldo::audio {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool NameIs(std::string_view name, std::string_view wanted) {
    if (name.size() != wanted.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != wanted[i]) return false;
    return true;
}

// A decimal number at the start of `text`, which is advanced past it; -1 when there is none.
int64_t TakeNumber(std::string_view& text) {
    int64_t value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value < 0) return -1;
    text.remove_prefix(size_t(end - text.data()));
    return value;
}

} // namespace

void RangeAnswer::Take(std::string_view line) {
    if (line.rfind("HTTP/", 0) == 0) {
        *this = RangeAnswer{};
        return;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    const std::string_view name = Trimmed(line.substr(0, colon));
    std::string_view value = Trimmed(line.substr(colon + 1));
    if (NameIs(name, "etag")) {
        etag = value;
    } else if (NameIs(name, "last-modified")) {
        lastModified = value;
    } else if (NameIs(name, "content-range") && value.rfind("bytes ", 0) == 0) {
        value.remove_prefix(6);
        const int64_t start = TakeNumber(value);
        if (start < 0 || value.empty() || value.front() != '-') return;
        value.remove_prefix(1);
        const int64_t end = TakeNumber(value);
        if (end < start || value.empty() || value.front() != '/') return;
        value.remove_prefix(1);
        rangeStart = start;
        rangeTotal = TakeNumber(value);
    }
}

} // namespace veldo::audio
