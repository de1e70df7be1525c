#include "text/regex_object.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "platform/codepage/code_page.h"
#include "text/gbk_units.h"

#include <algorithm>
#include <string>
#include <vector>

namespace veldo {
namespace {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct CompileContextDeleter {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

// A lazy group may span megabytes; the JIT's default 32 KB stack is too small for some patterns.
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 8 * 1024 * 1024;
// Bound on the stored match spans (128 MB): many groups times many empty matches could
// otherwise exhaust memory.
constexpr size_t kMaxSpanEntries = size_t(1) << 24;

const std::u16string& WideQuoteToken() {
    static const std::u16string token = GbkToUtf16(kQuoteToken);
    return token;
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to) {
    std::u16string out;
    out.reserve(text.size());
    size_t at = 0;
    for (size_t hit; (hit = text.find(from, at)) != std::u16string_view::npos;
         at = hit + from.size()) {
        out.append(text.substr(at, hit - at));
        out.append(to);
    }
    out.append(text.substr(at));
    return out;
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

struct RegexObject::State {
    bool hasEngine = false; // set by the first Search, even when its pattern was invalid
    std::u16string pattern;
    std::u16string wideSubject;
    bool subjectHasSurrogates = false;
    bool hasMatchList = false;
    size_t groupCount = 0;
    size_t matchCount = 0;
    // Per match, (groupCount + 1) pairs of start and end in UTF-16 units; PCRE2_UNSET for a
    // group that took no part.
    std::vector<size_t> spans;
    // GBK byte offset of every UTF-16 index of the subject (one more for the end); built on the
    // first position asked for.
    mutable std::vector<int32_t> byteOffsets;

    size_t Stride() const { return (groupCount + 1) * 2; }
    bool HasMatch(int32_t i) const { return hasMatchList && i >= 1 && size_t(i) <= matchCount; }
    const size_t* Match(int32_t i) const { return spans.data() + (size_t(i) - 1) * Stride(); }
    std::u16string_view Piece(size_t start, size_t end) const {
        return std::u16string_view(wideSubject).substr(start, end - start);
    }
    int32_t ByteOffset(size_t wideIndex) const;
    bool RunMatches(pcre2_code* code, bool global);
};

int32_t RegexObject::State::ByteOffset(size_t wideIndex) const {
    if (byteOffsets.empty()) {
        // Each unit narrows on its own: the subject came from GBK, so it holds no surrogates.
        std::vector<uint8_t> widthOf(0x10000, 0);
        byteOffsets.resize(wideSubject.size() + 1);
        int32_t offset = 0;
        for (size_t i = 0; i < wideSubject.size(); ++i) {
            byteOffsets[i] = offset;
            const char16_t c = wideSubject[i];
            if (c < 0x80) {
                offset += 1;
                continue;
            }
            if (widthOf[c] == 0)
                widthOf[c] = uint8_t(Utf16ToGbk(std::u16string_view(&wideSubject[i], 1)).size());
            offset += widthOf[c];
        }
        byteOffsets[wideSubject.size()] = offset;
    }
    return byteOffsets[std::min(wideIndex, wideSubject.size())];
}

bool RegexObject::State::RunMatches(pcre2_code* code, bool global) {
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(code, nullptr));
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
        pcre2_match_context_create(nullptr));
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack(
        pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (!data || !context) return false;
    if (jitStack) pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());

    const auto* units = reinterpret_cast<PCRE2_SPTR>(wideSubject.data());
    const size_t length = wideSubject.size();
    // UTF-16 without surrogates is valid by construction; otherwise the first call validates the
    // subject. Checking again on every call of the global loop would make it quadratic.
    uint32_t flags = subjectHasSurrogates ? 0 : PCRE2_NO_UTF_CHECK;
    size_t start = 0;
    while (start <= length) {
        const int rc = pcre2_match(code, units, length, start, flags, data.get(), context.get());
        flags = PCRE2_NO_UTF_CHECK;
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc <= 0) return false; // invalid subject, match or memory limit: no trustworthy list
        if (spans.size() + Stride() > kMaxSpanEntries) return false;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        for (size_t g = 0; g <= groupCount; ++g) {
            const bool set = g < size_t(rc) && ovector[2 * g] != PCRE2_UNSET;
            spans.push_back(set ? ovector[2 * g] : PCRE2_UNSET);
            spans.push_back(set ? std::max(ovector[2 * g], ovector[2 * g + 1]) : PCRE2_UNSET);
        }
        ++matchCount;
        if (!global) break;
        // As the script engine does: go on at the end of the match, one unit further after an
        // empty one.
        const size_t matchStart = ovector[0], matchEnd = ovector[1];
        size_t next = std::max(matchEnd > matchStart ? matchEnd : matchEnd + 1, start + 1);
        // Never start inside a surrogate pair: past the first check nothing would catch it.
        if (next < length && next > 0 && (wideSubject[next] & 0xFC00) == 0xDC00 &&
            (wideSubject[next - 1] & 0xFC00) == 0xD800)
            ++next;
        start = next;
    }
    return true;
}

RegexObject::RegexObject() : state_(std::make_unique<State>()) {}

RegexObject::~RegexObject() = default;

bool RegexObject::Search(std::string_view pattern, std::string_view subject, bool caseSensitive,
                         bool multiline, bool global, bool expandQuoteToken) {
    State& s = *state_;
    s = State{};
    s.hasEngine = true;
    s.pattern = WidenGbk(pattern);
    if (expandQuoteToken) s.pattern = ReplaceAll(s.pattern, WideQuoteToken(), u"\"");
    s.wideSubject = WidenGbk(subject, &s.subjectHasSurrogates);

    // ECMAScript-like syntax: \uHHHH and \xHH escapes, [] and [^] classes, $ only at the very end
    // without Multiline, a back reference to an unset group matching empty; "." stops at LF.
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                       PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(
        pcre2_compile_context_create(nullptr));
    if (!compileContext) return false;
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(s.pattern.data()), s.pattern.size(), options,
                      &errorCode, &errorOffset, compileContext.get()));
    if (!code) return false;
    pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE); // interpreted when the JIT is missing
    uint32_t captures = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
    s.groupCount = captures;

    if (!s.RunMatches(code.get(), global)) {
        s.spans.clear();
        s.matchCount = 0;
        return false;
    }
    s.hasMatchList = true;
    return true;
}

Text RegexObject::PatternText() const {
    return state_->hasEngine ? NarrowToGbk(state_->pattern) : Text();
}

Text RegexObject::ReplaceMatches(std::string_view replacement) const {
    const State& s = *state_;
    if (!s.hasMatchList) return {};
    const std::u16string with = WidenGbk(replacement);
    const std::u16string_view subject = s.wideSubject;
    std::u16string out;
    out.reserve(subject.size());
    size_t copied = 0;
    for (size_t m = 1; m <= s.matchCount; ++m) {
        const size_t* span = s.Match(int32_t(m));
        const size_t matchStart = span[0], matchEnd = span[1];
        if (matchStart > copied) out.append(subject.substr(copied, matchStart - copied));
        for (size_t i = 0; i < with.size(); ++i) {
            const char16_t c = with[i];
            const char16_t next = i + 1 < with.size() ? with[i + 1] : u'\0';
            if (c != u'$' || i + 1 == with.size()) {
                out.push_back(c);
            } else if (next == u'$') {
                out.push_back(u'$');
                ++i;
            } else if (next == u'&') {
                out.append(subject.substr(matchStart, matchEnd - matchStart));
                ++i;
            } else if (next == u'`') {
                out.append(subject.substr(0, matchStart));
                ++i;
            } else if (next == u'\'') {
                out.append(subject.substr(matchEnd));
                ++i;
            } else if (IsDigit(next)) {
                // $nn when nn names a group, else $n when n does; otherwise the text stays.
                size_t group = next - u'0', used = 1;
                if (i + 2 < with.size() && IsDigit(with[i + 2])) {
                    const size_t two = group * 10 + (with[i + 2] - u'0');
                    if (two >= 1 && two <= s.groupCount) group = two, used = 2;
                }
                if (group >= 1 && group <= s.groupCount) {
                    if (span[2 * group] != PCRE2_UNSET)
                        out.append(s.Piece(span[2 * group], span[2 * group + 1]));
                    i += used;
                } else {
                    out.push_back(c);
                }
            } else {
                out.push_back(c);
            }
        }
        copied = std::max(copied, matchEnd);
    }
    out.append(subject.substr(std::min(copied, subject.size())));
    return NarrowToGbk(out);
}

int32_t RegexObject::MatchCount() const {
    return state_->hasMatchList ? int32_t(state_->matchCount) : 0;
}

Text RegexObject::MatchText(int32_t i, int32_t* position) const {
    const State& s = *state_;
    if (position) *position = -1;
    if (!s.HasMatch(i)) return {};
    const size_t* span = s.Match(i);
    if (position) *position = s.ByteOffset(span[0]);
    return NarrowToGbk(s.Piece(span[0], span[1]));
}

Text RegexObject::SubmatchText(int32_t i, int32_t k, int32_t* position) const {
    const State& s = *state_;
    if (position) *position = -1;
    if (!s.HasMatch(i) || k < 1 || size_t(k) > s.groupCount) return {};
    const size_t* span = s.Match(i) + 2 * size_t(k);
    if (span[0] == PCRE2_UNSET) return {};
    if (position) *position = s.ByteOffset(span[0]);
    return NarrowToGbk(s.Piece(span[0], span[1]));
}

int32_t RegexObject::SubmatchCount() const {
    const State& s = *state_;
    return s.hasMatchList && s.matchCount > 0 ? int32_t(s.groupCount) : 0;
}

} // namespace veldo
