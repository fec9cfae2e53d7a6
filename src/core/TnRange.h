#ifndef TN_CORE_TNRANGE_H
#define TN_CORE_TNRANGE_H

#include "core/TnBase.h"
#include "core/TnString.h"

class TnStringList;

// An ordered list of integers in the farm's range syntax: comma-separated items a, a-b,
// a-bxN (every N-th number from a towards b) and a-bXN (the numbers a-bxN leaves out), for
// frame lists such as 1-100x2,150,200-180 and host patterns such as node[01-20].
//
// Reading stops at the first byte that breaks the syntax; the items read until then stay.
// An item is taken as far as it goes: "1-" adds 1, "1-5x" adds 1 to 5, and both stop there.
//
// Bounds for hostile texts: a range never holds more than kMaxValues numbers; reading (and
// add(int)) stops there, so 1-2000000000 yields 1 to 1000000. patternsplit() adds at most
// kMaxNames names and kMaxPatternBytes bytes of names per call and stops at either limit
// (a farm's host list is a few thousand names). Numbers beyond 32 bits are clamped to the
// nearest 32-bit value.
//
// The array grows geometrically rather than by one element per append; every observable
// result (values, order, padding, texts) is the same, only expansion is linear.
class TnRange : public TnBase {
public:
    static constexpr int kMaxValues = 1000000;
    static constexpr int kMaxNames = 100000;
    static constexpr int kMaxPatternBytes = 64 * 1024 * 1024;

    TnRange();
    explicit TnRange(const TnString& text);
    TnRange(const TnRange& other);
    TnRange& operator=(const TnRange& other);
    ~TnRange() override;

    int type() const override { return 89; }

    void parse(const TnString& text);
    void add(const TnString& text);
    // 1 when v was appended, 0 when the range is full.
    int add(int v);
    void clear();

    int length() const { return count_; }
    int get(int i) const { return (i >= 0 && i < count_) ? values_[i] : 0; }
    int padding() const { return padding_; }

    int has(int v) const;
    int has(const TnString& text) const;

    void sort();
    void reverse();
    void binary();
    void _strip();

    // The shortest run form (1-5, 1-7x2,10); sorts the range and drops duplicates first.
    TnString value();
    void chunk(int n, TnStringList& out);
    void partition(int parts, TnStringList& out);

    static int isrange(const TnString& text);
    // One item a, a-b or a-bxN; 1 when it starts with a number, else 0 and nothing is set.
    static int patternsplit(const TnString& text, int& start, int& end, int& step);
    // Expands names such as node[01-20] into out; returns the number of names added.
    static int patternsplit(int order, const TnString& text, TnStringList& out);

private:
    bool _push(int v);
    void _reorder(int order);
    void _runs(char* marks) const;

    int* values_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
    int padding_ = 0;
};

#endif
