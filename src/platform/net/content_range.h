#pragma once
// The pieces of HTTP that resuming a body needs, kept free of any transfer so that every
// fetcher (a download, an audio stream) can use them: reading a 206 answer's Content-Range and
// choosing the If-Range validator of a first answer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veldo {

// "Content-Range: bytes first-last/total" of a 206 answer; total is -1 for "/*".
struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t total = -1;
};

// The value of a Content-Range header (without its name); nullopt unless it is a satisfied
// byte range with first <= last (and last < total when a total is given).
std::optional<ContentRange> ParseContentRange(std::string_view value);

// Header fields of the final answer of one exchange, fed its header lines as they arrive (every
// answer's, redirects and interim ones included: a status line starts over).
class AnswerHeaders {
  public:
    void Take(std::string_view line);
    // The value of the last field named `name` (any letter case), trimmed; empty when absent.
    std::string Value(std::string_view name) const;

  private:
    std::string lines_; // the current answer's field lines, each ended by '\n'
};

// What to send in If-Range when resuming the body of an answer with these headers: its ETag
// when it is a strong one (a weak ETag may not be used there), else its Last-Modified; empty
// when it has neither, and then no If-Range is sent.
std::string IfRangeValidator(const AnswerHeaders& firstAnswer);

} // namespace veldo
