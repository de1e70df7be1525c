#include "platform/net/content_range.h"

#include <charconv>

namespace veldo {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A whole decimal number, digits only.
std::optional<std::int64_t> Number(std::string_view digits) {
    std::int64_t value = 0;
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

} // namespace

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    value = Trim(value);
    constexpr std::string_view unit = "bytes ";
    if (value.size() < unit.size() || !EqualIgnoringCase(value.substr(0, unit.size()), unit))
        return std::nullopt;
    value = Trim(value.substr(unit.size()));
    const std::size_t dash = value.find('-');
    const std::size_t slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return std::nullopt;
    const auto first = Number(value.substr(0, dash));
    const auto last = Number(value.substr(dash + 1, slash - dash - 1));
    const std::string_view totalText = value.substr(slash + 1);
    const auto total = totalText == "*" ? std::optional<std::int64_t>(-1) : Number(totalText);
    if (!first || !last || !total || *first > *last) return std::nullopt;
    if (*total >= 0 && *last >= *total) return std::nullopt;
    return ContentRange{*first, *last, *total};
}

void AnswerHeaders::Take(std::string_view line) {
    if (line.rfind("HTTP/", 0) == 0) {
        lines_.clear();
        return;
    }
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty()) return;
    lines_.append(trimmed).push_back('\n');
}

std::string AnswerHeaders::Value(std::string_view name) const {
    std::string found;
    std::string_view rest = lines_;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualIgnoringCase(Trim(line.substr(0, colon)), name))
            found = Trim(line.substr(colon + 1));
    }
    return found;
}

std::string IfRangeValidator(const AnswerHeaders& firstAnswer) {
    const std::string etag = firstAnswer.Value("ETag");
    if (etag.size() >= 2 && etag.front() == '"') return etag;
    return firstAnswer.Value("Last-Modified");
}

} // namespace veldo
