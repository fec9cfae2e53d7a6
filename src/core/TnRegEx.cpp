#include "core/TnRegEx.h"

#include <pcre.h>

#include <cstring>

namespace {

// Nested repeats recurse once per iteration on the C stack; past this depth a match gives up
// (no match) instead of overflowing the stack on long, hostile texts.
constexpr unsigned long kRecursionLimit = 5000;
constexpr unsigned long kMatchLimit = 10000000;

}  // namespace

TnRegEx::TnRegEx() = default;

TnRegEx::TnRegEx(const TnString& pattern) : pattern_(pattern) {}

TnRegEx::TnRegEx(const TnRegEx& other) : pattern_(other.pattern_), error_(other.error_), options_(other.options_) {}

TnRegEx& TnRegEx::operator=(const TnRegEx& other) {
    if (&other != this) {
        _drop();
        pattern_ = other.pattern_;
        error_ = other.error_;
        options_ = other.options_;
    }
    return *this;
}

TnRegEx::~TnRegEx() { _drop(); }

void TnRegEx::_drop() {
    if (extra_) pcre_free(extra_);
    if (code_) pcre_free(code_);
    extra_ = code_ = nullptr;
    groups_ = 0;
}

void TnRegEx::pattern(const TnString& pattern) {
    _drop();
    pattern_ = pattern;
}

void TnRegEx::caseless(unsigned char on) {
    int options = on ? (options_ | 1) : (options_ & ~1);
    if (options != options_) _drop();
    options_ = options;
}

bool TnRegEx::_compile() {
    if (code_) return true;
    error_ = "";
    if (memchr(pattern_.value(), 0, pattern_.length())) {
        error_ = "pattern holds a NUL byte (write it as \\0)";
        return false;
    }
    const char* message = nullptr;
    int offset = 0;
    pcre* code = pcre_compile(pattern_.value(), (options_ & 1) ? PCRE_CASELESS : 0, &message, &offset, nullptr);
    if (!code) {
        error_ = message ? message : "pattern does not compile";
        return false;
    }
    pcre_extra* extra = static_cast<pcre_extra*>(pcre_malloc(sizeof(pcre_extra)));
    if (extra) {
        memset(extra, 0, sizeof(pcre_extra));
        extra->flags = PCRE_EXTRA_MATCH_LIMIT | PCRE_EXTRA_MATCH_LIMIT_RECURSION;
        extra->match_limit = kMatchLimit;
        extra->match_limit_recursion = kRecursionLimit;
    }
    int count = 0;
    pcre_fullinfo(code, nullptr, PCRE_INFO_CAPTURECOUNT, &count);
    code_ = code;
    extra_ = extra;
    groups_ = count < 0 ? 0 : count;
    return true;
}

int TnRegEx::_exec(const TnString& text, int* ovector, int count) {
    if (!_compile()) return -1;
    return pcre_exec(static_cast<pcre*>(code_), static_cast<pcre_extra*>(extra_), text.value(), text.length(), 0, 0,
                     ovector, count);
}

int TnRegEx::match(const TnString& text) {
    int ovector[3];
    return _exec(text, ovector, 3) >= 0 ? 1 : 0;
}

int TnRegEx::match(const TnString& text, TnStringList& list) {
    int ovector[3 * (kMaxGroups + 1)];
    int rc = _exec(text, ovector, 3 * (kMaxGroups + 1));
    if (rc < 0) return 0;
    // rc counts the pairs set, up to the last group that matched; 0 means the vector was full.
    int set = rc == 0 ? kMaxGroups + 1 : rc;
    int wanted = groups_ < kMaxGroups ? groups_ : kMaxGroups;
    for (int g = 1; g <= wanted; ++g) {
        int from = ovector[2 * g], to = ovector[2 * g + 1];
        if (g < set && from >= 0 && to >= from)
            list.push(new TnString(text.value() + from, to - from));
        else
            list.push(new TnString(""));
    }
    return 1;
}
