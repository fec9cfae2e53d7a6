#include "core/TnRange.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "core/TnExpression.h"
#include "core/TnStringList.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// A cursor over range text. Numbers are decimal with an optional "-"; blanks may stand
// before a sign and before the digits.
struct Reader {
    const char* s;
    int n;
    int pos = 0;

    Reader(const TnString& text) : s(text.value()), n(text.length()) {}

    void skip() {
        while (pos < n && blank(s[pos])) ++pos;
    }
    bool at(char c) {
        skip();
        return pos < n && s[pos] == c;
    }
    bool number(int& value, int& digits) {
        int save = pos;
        skip();
        bool negative = false;
        if (pos < n && s[pos] == '-') {
            negative = true;
            ++pos;
            skip();
        }
        int64_t v = 0;
        digits = 0;
        while (pos < n && s[pos] >= '0' && s[pos] <= '9') {
            if (v <= INT64_C(1) << 32) v = v * 10 + (s[pos] - '0');
            ++digits;
            ++pos;
        }
        if (digits == 0) {
            pos = save;
            return false;
        }
        if (negative) v = -v;
        value = static_cast<int>(std::max<int64_t>(INT_MIN, std::min<int64_t>(INT_MAX, v)));
        return true;
    }
    bool number(int& value) {
        int digits;
        return number(value, digits);
    }
};

void appendrun(TnString& out, int first, int last, int64_t step, int padding) {
    if (padding > 0)
        out.integervalue(first, padding);
    else
        out += first;
    out += '-';
    out += last;
    if (step > 1) {
        out += 'x';
        out += static_cast<long long>(step);
    }
}

}  // namespace

TnRange::TnRange() = default;

TnRange::TnRange(const TnString& text) { parse(text); }

TnRange::TnRange(const TnRange& other) : TnBase() { *this = other; }

TnRange& TnRange::operator=(const TnRange& other) {
    if (&other == this) return *this;
    clear();
    padding_ = other.padding_;
    if (other.count_ > 0) {
        values_ = new int[other.count_];
        capacity_ = count_ = other.count_;
        memcpy(values_, other.values_, sizeof(int) * count_);
    }
    return *this;
}

TnRange::~TnRange() { delete[] values_; }

void TnRange::clear() {
    delete[] values_;
    values_ = nullptr;
    count_ = capacity_ = 0;
}

bool TnRange::_push(int v) {
    if (count_ >= kMaxValues) return false;
    if (count_ == capacity_) {
        int grown = capacity_ < 16 ? 16 : std::min(capacity_ * 2, static_cast<int>(kMaxValues));
        int* fresh = new int[grown];
        if (count_) memcpy(fresh, values_, sizeof(int) * count_);
        delete[] values_;
        values_ = fresh;
        capacity_ = grown;
    }
    values_[count_++] = v;
    return true;
}

int TnRange::add(int v) { return _push(v) ? 1 : 0; }

void TnRange::parse(const TnString& text) {
    clear();
    add(text);
}

void TnRange::add(const TnString& text) {
    Reader r(text);
    padding_ = 0;
    bool first = true;
    bool room = true;
    while (room) {
        int a, digits;
        if (!r.number(a, digits)) break;
        if (first) padding_ = digits;
        first = false;

        int b = a;
        int step = 1;
        bool complement = false;
        bool complete = true;  // whether the item ended where the syntax allows
        if (r.at('-')) {
            int dash = r.pos++;
            if (!r.number(b)) {
                r.pos = dash;
                complete = false;
            } else if (r.at('x') || r.at('X')) {
                complement = r.s[r.pos] == 'X';
                int mark = r.pos++;
                int n;
                if (r.number(n)) {
                    step = n == INT_MIN ? INT_MAX : std::abs(n);
                    if (step == 0) step = 1;
                } else {
                    r.pos = mark;
                    complement = false;
                    complete = false;
                }
            }
        }

        int64_t from = a, to = b;
        int64_t direction = from <= to ? 1 : -1;
        int64_t span = (to - from) * direction;
        if (!complement) {
            for (int64_t d = 0; d <= span && room; d += step) room = _push(static_cast<int>(from + d * direction));
        } else if (step > 1) {
            for (int64_t d = 0; d <= span && room; ++d)
                if (d % step != 0) room = _push(static_cast<int>(from + d * direction));
        }

        if (!complete || !room || !r.at(',')) break;
        ++r.pos;
    }
}

int TnRange::has(int v) const {
    for (int i = 0; i < count_; ++i)
        if (values_[i] == v) return 1;
    return 0;
}

int TnRange::has(const TnString& text) const {
    TnRange wanted(text);
    if (wanted.count_ == 0) return 1;
    std::vector<int> sorted(values_, values_ + count_);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < wanted.count_; ++i)
        if (!std::binary_search(sorted.begin(), sorted.end(), wanted.values_[i])) return 0;
    return 1;
}

// Frame lists are mostly written in ascending order already; checking costs one pass.
void TnRange::sort() {
    if (count_ > 1 && !std::is_sorted(values_, values_ + count_)) std::sort(values_, values_ + count_);
}

void TnRange::reverse() {
    if (count_ > 1) std::reverse(values_, values_ + count_);
}

void TnRange::_strip() {
    sort();
    if (count_ > 1) count_ = static_cast<int>(std::unique(values_, values_ + count_) - values_);
}

// Coarse to fine: both ends, then the midpoints of a breadth-first halving of the index
// interval, so that the early values of a partial run already cover the whole range.
void TnRange::binary() {
    if (count_ < 4) return;
    std::vector<int> order;
    order.reserve(count_);
    order.push_back(values_[0]);
    order.push_back(values_[count_ - 1]);
    std::vector<std::pair<int, int>> queue;
    queue.reserve(count_);
    queue.emplace_back(0, count_ - 1);
    for (size_t head = 0; head < queue.size(); ++head) {
        int lo = queue[head].first;
        int hi = queue[head].second;
        if (hi - lo <= 1) continue;
        int mid = lo + (hi - lo) / 2;
        order.push_back(values_[mid]);
        queue.emplace_back(lo, mid);
        queue.emplace_back(mid, hi);
    }
    memcpy(values_, order.data(), sizeof(int) * count_);
}

// Marks runs of three or more equally spaced values in the stripped list: 1 starts a run,
// 2 lies inside it, 3 ends it. A run's end cannot start the next run.
void TnRange::_runs(char* marks) const {
    memset(marks, 0, count_);
    for (int k = 0; k + 2 < count_; ++k) {
        if (marks[k] == 3) continue;
        int64_t d1 = static_cast<int64_t>(values_[k + 1]) - values_[k];
        int64_t d2 = static_cast<int64_t>(values_[k + 2]) - values_[k + 1];
        if (d1 != d2) continue;
        if (marks[k] == 0) marks[k] = 1;
        marks[k + 1] = 2;
        marks[k + 2] = 3;
    }
}

TnString TnRange::value() {
    _strip();
    TnString out("");
    if (count_ == 0) return out;
    if (count_ < 3) {
        out += values_[0];
        if (count_ == 2) {
            out += ',';
            out += values_[1];
        }
        return out;
    }
    std::vector<char> marks(count_);
    _runs(marks.data());
    for (int i = 0; i < count_; ++i) {
        if (i > 0) out += ',';
        if (marks[i] != 1) {
            out += values_[i];
            continue;
        }
        int j = i + 1;
        while (marks[j] != 3) ++j;
        appendrun(out, values_[i], values_[j], static_cast<int64_t>(values_[i + 1]) - values_[i], padding_);
        i = j;
    }
    return out;
}

void TnRange::chunk(int n, TnStringList& out) {
    if (n < 1 || count_ == 0) return;
    _strip();
    if (count_ == 1) {
        out.push(new TnString(values_[0]));
        return;
    }
    if (count_ == 2) {
        if (n < 2) {
            out.push(new TnString(values_[0]));
            out.push(new TnString(values_[1]));
        } else {
            TnString* text = new TnString("");
            appendrun(*text, values_[0], values_[1], static_cast<int64_t>(values_[1]) - values_[0], 0);
            out.push(text);
        }
        return;
    }
    std::vector<char> marks(count_);
    _runs(marks.data());
    for (int i = 0; i < count_; ++i) {
        if (marks[i] != 1) {
            out.push(new TnString(values_[i]));
            continue;
        }
        int end = i + 1;
        while (marks[end] != 3) ++end;
        int64_t step = static_cast<int64_t>(values_[i + 1]) - values_[i];
        for (int from = i; from <= end; from += n) {
            int last = std::min(end, from + n - 1);
            TnString* text = new TnString("");
            if (last == from)
                *text += values_[from];
            else
                appendrun(*text, values_[from], values_[last], step, 0);
            out.push(text);
            if (last == end) break;
        }
        i = end;
    }
}

void TnRange::partition(int parts, TnStringList& out) {
    if (parts <= 0) return;
    chunk(count_ / parts + (count_ % parts != 0), out);
}

int TnRange::isrange(const TnString& text) {
    const char* s = text.value();
    int n = text.length();
    char first = 0;
    for (int i = 0; i < n; ++i) {
        char c = s[i];
        if (blank(c)) continue;
        if (!((c >= '0' && c <= '9') || c == 'x' || c == 'X' || c == '-' || c == ',')) return 0;
        if (!first) first = c;
    }
    return first != 0 && first != 'x' && first != 'X' && first != ',';
}

int TnRange::patternsplit(const TnString& text, int& start, int& end, int& step) {
    Reader r(text);
    int a;
    if (!r.number(a)) return 0;
    int b = a;
    int n = 1;
    if (r.at('-')) {
        ++r.pos;
        if (r.number(b) && r.at('x')) {
            ++r.pos;
            if (r.number(n)) {
                n = n == INT_MIN ? INT_MAX : std::abs(n);
                if (n == 0) n = 1;
            } else {
                n = 1;
            }
        }
    }
    start = a;
    end = b;
    step = n;
    return 1;
}

void TnRange::_reorder(int order) {
    switch (order) {
    case 1: sort(); binary(); break;
    case 2: sort(); break;
    case 3: sort(); reverse(); break;
    case 4: binary(); break;
    case 5: reverse(); break;
    default: break;
    }
}

int TnRange::patternsplit(int order, const TnString& text, TnStringList& out) {
    int added = 0;
    long long bytes = 0;
    auto emit = [&](TnString* name) {
        if (added >= kMaxNames || bytes + name->length() > kMaxPatternBytes) {
            delete name;
            return false;
        }
        bytes += name->length();
        out.push(name);
        ++added;
        return true;
    };

    if (isrange(text)) {
        TnRange range(text);
        range._reorder(order);
        for (int i = 0; i < range.count_; ++i)
            if (!emit(new TnString(range.values_[i]))) break;
        return added;
    }

    TnStringList parts;
    TnExpression::splitcomma(text, parts);
    for (int p = 0; p < parts.length(); ++p) {
        const TnString& part = *parts.get(p);
        TnStringList tokens;
        TnExpression::rangetokenize(part, tokens);
        int open = -1;
        for (int t = 0; t < tokens.length() && open < 0; ++t)
            if (*tokens.get(t) == "[") open = t;
        if (open < 0 || open + 1 >= tokens.length()) {
            if (!emit(new TnString(part))) return added;
            continue;
        }
        // Everything but "[", the range and the token after it, which closes the bracket.
        TnString head(""), tail("");
        for (int t = 0; t < open; ++t) head += *tokens.get(t);
        for (int t = open + 3; t < tokens.length(); ++t) tail += *tokens.get(t);
        TnRange range(*tokens.get(open + 1));
        range._reorder(order);
        for (int i = 0; i < range.count_; ++i) {
            TnString* name = new TnString(head);
            name->integervalue(range.values_[i], range.padding_);
            *name += tail;
            if (!emit(name)) return added;
        }
    }
    return added;
}
