#ifndef TN_CORE_TNREGEX_H
#define TN_CORE_TNREGEX_H

#include "core/TnString.h"
#include "core/TnStringList.h"

// A Perl-style regular expression. The pattern is compiled on the first match after it or
// the options changed, and the compiled form is kept for later matches. A pattern that does
// not compile matches nothing and leaves its reason in error().
class TnRegEx {
public:
    // Captured groups handed back by match(text, list).
    static constexpr int kMaxGroups = 33;

    TnRegEx();
    explicit TnRegEx(const TnString& pattern);
    TnRegEx(const TnRegEx& other);
    TnRegEx& operator=(const TnRegEx& other);
    ~TnRegEx();

    const TnString& pattern() const { return pattern_; }
    void pattern(const TnString& pattern);
    void caseless(unsigned char on);
    unsigned char caseless() const { return options_ & 1; }
    const TnString& error() const { return error_; }

    // 1 on a match, 0 on none or when the pattern does not compile.
    int match(const TnString& text);
    // As match, and appends groups 1 .. n (n = the pattern's group count, at most 33) to
    // list; a group that took no part in the match gives an empty text.
    int match(const TnString& text, TnStringList& list);

private:
    bool _compile();
    void _drop();
    int _exec(const TnString& text, int* ovector, int count);

    TnString pattern_;
    TnString error_;
    int options_ = 0;
    void* code_ = nullptr;   // pcre*
    void* extra_ = nullptr;  // pcre_extra*
    int groups_ = 0;
};

#endif
