#pragma once
// A regular-expression engine with the option set and numbering of the classic script RegExp
// object: one Search, then questions about its matches by 1-based number. GBK texts in and out;
// the engine itself works on UTF-16 code units (PCRE2, JIT when available).
#include "text/text_types.h"
#include <cstdint>
#include <memory>
#include <string_view>

namespace veldo {

class RegexObject {
  public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    // Runs `pattern` over `subject`. True when a match list exists (also when it is empty);
    // false for an invalid pattern.
    bool Search(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool expandQuoteToken = false);
    Text PatternText() const;
    // The stored subject with matches replaced ($1..$99, $&, $`, $', $$).
    Text ReplaceMatches(std::string_view replacement) const;
    int32_t MatchCount() const;
    // Match i (1-based); empty when it does not exist. `position`, when given, receives the
    // match's 0-based GBK byte offset in the subject.
    Text MatchText(int32_t i, int32_t* position = nullptr) const;
    // Submatch k (1-based) of match i; empty for a group that took no part or does not exist.
    Text SubmatchText(int32_t i, int32_t k, int32_t* position = nullptr) const;
    // Number of groups of the first match; 0 without a match.
    int32_t SubmatchCount() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace veldo
