#include "core/TnExpression.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/TnReference.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Operator words are at most three bytes: packed with their length into one integer, a
// word is found by integer compares instead of string compares.
constexpr uint32_t packed(const char* w, int n) {
    if (n < 1 || n > 3) return 0;
    uint32_t key = static_cast<uint32_t>(n);
    for (int i = 0; i < n; ++i) key |= static_cast<uint32_t>(static_cast<unsigned char>(w[i])) << (8 * (i + 1));
    return key;
}

uint32_t packed(const TnString& s) { return packed(s.value(), s.length()); }

struct Word {
    uint32_t key;
    int precedence;
    bool op;  // whether the parsers treat it as an operator
};

#define TN_WORD(w, p, op) {packed(w, sizeof(w) - 1), p, op}

const Word kWords[] = {
    TN_WORD(",", 1024, false), TN_WORD(";", 1024, true), TN_WORD("(", 256, false), TN_WORD(")", 256, false),
    TN_WORD("--", 128, false), TN_WORD("!", 128, true),  TN_WORD("not", 128, true), TN_WORD("/", 64, true),
    TN_WORD("*", 64, true),    TN_WORD("div", 64, true), TN_WORD("mul", 64, true), TN_WORD("%", 64, true),
    TN_WORD("mod", 64, true),  TN_WORD("+", 32, true),   TN_WORD("-", 32, true),   TN_WORD("add", 32, true),
    TN_WORD("sub", 32, true),  TN_WORD("&", 16, true),   TN_WORD("|", 16, true),   TN_WORD("^", 16, true),
    TN_WORD("xor", 16, true),  TN_WORD("=", 8, true),    TN_WORD("==", 8, true),   TN_WORD("eq", 8, true),
    TN_WORD("<>", 8, true),    TN_WORD("=~", 8, true),   TN_WORD("!=", 8, true),   TN_WORD("ne", 8, true),
    TN_WORD("<", 8, true),     TN_WORD("lt", 8, true),   TN_WORD(">", 8, true),    TN_WORD("gt", 8, true),
    TN_WORD("<=", 8, true),    TN_WORD("le", 8, true),   TN_WORD(">=", 8, true),   TN_WORD("ge", 8, true),
    TN_WORD("in", 8, true),    TN_WORD("has", 8, true),  TN_WORD("&&", 4, true),   TN_WORD("and", 4, true),
    TN_WORD("||", 4, true),    TN_WORD("or", 4, true),   TN_WORD("<<", 1, true),   TN_WORD(">>", 1, true),
    TN_WORD("rs", 1, true),    TN_WORD("ls", 1, true),   TN_WORD("min", 2, true),  TN_WORD("max", 2, true),
    TN_WORD(":", 2, true),
};

#undef TN_WORD

const Word* word(const TnString& token) {
    uint32_t key = packed(token);
    if (key == 0) return nullptr;
    for (const Word& w : kWords)
        if (w.key == key) return &w;
    return nullptr;
}

bool same(const TnString& s, const char* w, int n) { return s.length() == n && memcmp(s.value(), w, n) == 0; }

bool unaryword(const TnString& op) { return same(op, "not", 3) || same(op, "!", 1) || same(op, "--", 2); }

// Quoted text from the quote at i: the content up to the matching quote, with a backslash
// before a backslash or the quote standing for that character and any other backslash
// dropped. Leaves i after the closing quote (or at the end of an unclosed text).
void quoted(const char* s, int n, int& i, TnString& token) {
    char q = s[i++];
    int run = i;
    while (i < n && s[i] != q) {
        if (s[i] == '\\') {
            token.append(s + run, i - run);
            if (i + 1 < n && (s[i + 1] == '\\' || s[i + 1] == q)) {
                token.append(s[i + 1]);
                i += 2;
            } else {
                i += 1;
            }
            run = i;
        } else {
            ++i;
        }
    }
    token.append(s + run, i - run);
    if (i < n) ++i;
}

bool exprstop(char c) {
    switch (c) {
    case ' ': case '\t': case '\r': case '\n': case '+': case '*': case '/': case '?': case ':': case '(':
    case ')': case '-': case '!': case '"': case '&': case '<': case '=': case '>': case '\\': case '|':
        return true;
    default:
        return false;
    }
}

void expressiontoken(const char* s, int n, int& i, std::vector<TnString>& out) {
    char c = s[i];
    char next = i + 1 < n ? s[i + 1] : 0;
    switch (c) {
    case '!':
        out.emplace_back(s + i, next == '=' ? 2 : 1);
        i += next == '=' ? 2 : 1;
        return;
    case '&':
    case '|':
        out.emplace_back(s + i, next == c ? 2 : 1);
        i += next == c ? 2 : 1;
        return;
    case '(': case ')': case '*': case '+': case '-': case '/': case ':': case '?':
        out.emplace_back(s + i, 1);
        ++i;
        return;
    case '<': case '=': case '>': {
        int len = (next == '=' || next == '<' || next == '>') ? 2 : 1;
        out.emplace_back(s + i, len);
        i += len;
        return;
    }
    case '"': case '\'':
        out.emplace_back("");
        quoted(s, n, i, out.back());
        return;
    default: {
        // A word takes at least its first byte, so a lone backslash cannot stall the scan.
        int start = i++;
        while (i < n && !exprstop(s[i])) ++i;
        out.emplace_back(s + start, i - start);
        return;
    }
    }
}

// Callback and value words: blanks, quotes at a token start, parentheses on their own.
void wordtoken(const char* s, int n, int& i, bool value, std::vector<TnString>& out) {
    char c = s[i];
    if (c == '(' || c == ')' || (value && c == ',')) {
        out.emplace_back(s + i, 1);
        ++i;
    } else if (c == '"' || c == '\'') {
        out.emplace_back("");
        quoted(s, n, i, out.back());
    } else if (value && c == '{') {
        int start = ++i;
        int depth = 1;
        while (i < n) {
            if (s[i] == '{') {
                ++depth;
            } else if (s[i] == '}' && --depth == 0) {
                break;
            }
            ++i;
        }
        out.emplace_back(s + start, i - start);
        if (i < n) ++i;
    } else {
        int start = i++;
        while (i < n && !blank(s[i]) && s[i] != '(' && s[i] != ')') ++i;
        out.emplace_back(s + start, i - start);
    }
}

void commandtoken(const char* s, int n, int& i, std::vector<TnString>& out) {
    out.emplace_back("");
    TnString& token = out.back();
    while (i < n && !blank(s[i])) {
        if (s[i] == '"' || s[i] == '\'') {
            quoted(s, n, i, token);
        } else {
            int start = i;
            while (i < n && !blank(s[i]) && s[i] != '"' && s[i] != '\'') ++i;
            token.append(s + start, i - start);
        }
    }
}

void rangetoken(const char* s, int n, int& i, std::vector<TnString>& out) {
    if (s[i] == '[' || s[i] == ']') {
        out.emplace_back(s + i, 1);
        ++i;
        return;
    }
    int start = i;
    while (i < n && !blank(s[i]) && s[i] != '[' && s[i] != ']') ++i;
    out.emplace_back(s + start, i - start);
}

int tolist(std::vector<TnString>& tokens, TnStringList& out) {
    for (TnString& t : tokens) out.push(new TnString(static_cast<TnString&&>(t)));
    return static_cast<int>(tokens.size());
}

// Appends text[from, to) with the blanks at both ends cut off, unless nothing remains.
int trimmed(const TnString& text, int from, int to, TnStringList& out) {
    const char* s = text.value();
    while (from < to && blank(s[from])) ++from;
    while (to > from && blank(s[to - 1])) --to;
    if (to <= from) return 0;
    out.push(new TnString(s + from, to - from));
    return 1;
}

int twoparts(const TnString& text, char separator, TnString& left, TnString& right) {
    const char* s = text.value();
    int n = text.length();
    int at = 0;
    while (at < n && s[at] != separator) ++at;
    TnString name("");
    for (int i = 0; i < at; ++i)
        if (!blank(s[i])) name.append(s[i]);
    TnString value("");
    int from = at + 1;
    while (from < n && blank(s[from])) ++from;
    if (from < n) value.append(s + from, n - from);
    left = name;
    right = value;
    return at < n;
}

struct Frame {
    Frame(const TnExpression* n, int p, bool left) : node(n), parent(p), intoA(left) {}
    const TnExpression* node;
    int parent;
    bool intoA;
    int stage = 0;
    TnScalar a;
    TnScalar b;
};

}  // namespace

TnExpression::TnExpression() = default;

TnExpression::TnExpression(const TnExpression& other) : TnPack(other) { copy(other); }

TnExpression& TnExpression::operator=(const TnExpression& other) {
    copy(other);
    return *this;
}

// Children are taken apart one by one from a heap stack, so a tree of any depth goes
// without recursion: each node reaches its own destructor with no children left.
TnExpression::~TnExpression() {
    _holdreference(nullptr);
    if (!a_ && !b_) return;
    std::vector<TnExpression*> pending;
    if (a_) pending.push_back(a_);
    if (b_) pending.push_back(b_);
    a_ = b_ = nullptr;
    while (!pending.empty()) {
        TnExpression* n = pending.back();
        pending.pop_back();
        if (n->a_) pending.push_back(n->a_);
        if (n->b_) pending.push_back(n->b_);
        n->a_ = n->b_ = nullptr;
        delete n;
    }
}

void TnExpression::_clear() {
    TnExpression* a = a_;
    TnExpression* b = b_;
    a_ = b_ = nullptr;
    delete a;
    delete b;
    op("");
    name_ = "";
    value_ = "";
}

void TnExpression::_holdreference(TnReference* r) {
    if (r == reference_) return;
    if (r) r->increment();
    TnReference* old = reference_;
    reference_ = r;
    if (old) {
        old->decrement();
        if (old->count() < 1) delete old;
    }
}

TnExpression* TnExpression::_shallow(const TnExpression* source) {
    TnExpression* n = new TnExpression();
    n->op_ = source->op_;
    n->opcode_ = source->opcode_;
    n->unary_ = source->unary_;
    n->value_ = source->value_;
    n->name_ = source->name_;
    n->valuereq_ = source->valuereq_;
    n->validreq_ = source->validreq_;
    n->_holdreference(source->reference_);
    return n;
}

TnExpression* TnExpression::_clone(const TnExpression* source) {
    TnExpression* root = _shallow(source);
    std::vector<std::pair<const TnExpression*, TnExpression*>> work;
    work.emplace_back(source, root);
    while (!work.empty()) {
        const TnExpression* from = work.back().first;
        TnExpression* to = work.back().second;
        work.pop_back();
        if (from->a_) {
            to->a_ = _shallow(from->a_);
            work.emplace_back(from->a_, to->a_);
        }
        if (from->b_) {
            to->b_ = _shallow(from->b_);
            work.emplace_back(from->b_, to->b_);
        }
    }
    return root;
}

void TnExpression::copy(const TnExpression& other) {
    if (&other == this) return;
    // The source may sit inside this very tree: clone it before letting go of anything.
    TnExpression* fresh = _clone(&other);
    TnExpression* a = a_;
    TnExpression* b = b_;
    a_ = fresh->a_;
    b_ = fresh->b_;
    fresh->a_ = fresh->b_ = nullptr;
    op_ = fresh->op_;
    opcode_ = fresh->opcode_;
    unary_ = fresh->unary_;
    value_ = fresh->value_;
    name_ = fresh->name_;
    valuereq_ = fresh->valuereq_;
    validreq_ = fresh->validreq_;
    _holdreference(fresh->reference_);
    delete fresh;
    delete a;
    delete b;
}

void TnExpression::op(const TnString& op) {
    op_ = op;
    opcode_ = TnScalar::opcode(op);
    unary_ = unaryword(op);
}

void TnExpression::a(TnExpression* node) {
    if (node == a_) return;
    TnExpression* old = a_;
    a_ = node;
    delete old;
}

void TnExpression::b(TnExpression* node) {
    if (node == b_) return;
    TnExpression* old = b_;
    b_ = node;
    delete old;
}

void TnExpression::validreq(ValidReq f) {
    std::vector<TnExpression*> pending{this};
    while (!pending.empty()) {
        TnExpression* n = pending.back();
        pending.pop_back();
        n->validreq_ = f;
        if (n->a_) pending.push_back(n->a_);
        if (n->b_) pending.push_back(n->b_);
    }
}

void TnExpression::valuereq(ValueReq f) {
    std::vector<TnExpression*> pending{this};
    while (!pending.empty()) {
        TnExpression* n = pending.back();
        pending.pop_back();
        n->valuereq_ = f;
        if (n->a_) pending.push_back(n->a_);
        if (n->b_) pending.push_back(n->b_);
    }
}

void TnExpression::reference(TnReference* r) {
    // Held here first, so that replacing a tree's reference by itself cannot free it.
    if (r) r->increment();
    std::vector<TnExpression*> pending{this};
    while (!pending.empty()) {
        TnExpression* n = pending.back();
        pending.pop_back();
        n->_holdreference(r);
        if (n->a_) pending.push_back(n->a_);
        if (n->b_) pending.push_back(n->b_);
    }
    if (r) {
        r->decrement();
        if (r->count() < 1) delete r;
    }
}

int TnExpression::precedence(const TnString& op) {
    const Word* w = word(op);
    return w ? w->precedence : 2;
}

bool TnExpression::isoperator(const TnString& token) {
    const Word* w = word(token);
    return w && w->op;
}

// ---- parsing

int TnExpression::parse(const TnString& text, int notation) {
    std::vector<TnString> tokens;
    _tokens(text, kExpression, tokens);
    return _build(tokens, notation);
}

int TnExpression::callbackparse(const TnString& text) {
    std::vector<TnString> tokens;
    _tokens(text, kCallback, tokens);
    return _build(tokens, 0);
}

int TnExpression::valueparse(const TnString& text) {
    std::vector<TnString> tokens;
    _tokens(text, kValue, tokens);
    return _build(tokens, 0);
}

TnExpression* TnExpression::_node() const {
    TnExpression* n = new TnExpression();
    n->valuereq_ = valuereq_;
    n->validreq_ = validreq_;
    n->_holdreference(reference_);
    return n;
}

int TnExpression::_build(std::vector<TnString>& tokens, int notation) {
    _clear();
    std::vector<Slot> stack;
    bool missing = false;
    bool fits = (notation == 1 || notation == 2) ? _fix(tokens, notation == 2, stack, missing) : _infix(tokens, stack);
    int result = 0;
    if (fits && !stack.empty()) {
        TnExpression* bottom = stack.front().node;
        a_ = bottom->a_;
        b_ = bottom->b_;
        bottom->a_ = bottom->b_ = nullptr;
        op_ = bottom->op_;
        opcode_ = bottom->opcode_;
        unary_ = bottom->unary_;
        name_ = bottom->name_;
        value_ = bottom->value_;
        result = stack.size() == 1 && !missing;
    }
    for (Slot& s : stack) delete s.node;
    return result;
}

bool TnExpression::_reduce(const TnString& op, bool unary, std::vector<Slot>& stack, bool& missing) const {
    Slot b{nullptr, 0};
    Slot a{nullptr, 0};
    if (stack.empty()) {
        missing = true;
    } else {
        b = stack.back();
        stack.pop_back();
    }
    if (!unary) {
        if (stack.empty()) {
            missing = true;
        } else {
            a = stack.back();
            stack.pop_back();
        }
    }
    TnExpression* n = _node();
    n->op(op);
    n->a_ = a.node;
    n->b_ = b.node;
    int depth = 1 + (a.depth > b.depth ? a.depth : b.depth);
    stack.push_back(Slot{n, depth});
    return depth <= kMaxDepth;
}

// Shunting-yard over two stacks. Only a strictly stronger operator on the stack is reduced
// before a new one is pushed, so operators of equal strength group from the right.
bool TnExpression::_infix(std::vector<TnString>& tokens, std::vector<Slot>& stack) const {
    struct Pending {
        const TnString* word;
        int precedence;
        bool unary;
        bool paren;
    };
    static const TnString kNegate("--");
    std::vector<Pending> ops;
    bool expect = true;
    bool missing = false;
    for (TnString& token : tokens) {
        if (same(token, "(", 1)) {
            ops.push_back(Pending{&token, 256, false, true});
            expect = true;
            continue;
        }
        if (same(token, ")", 1)) {
            while (!ops.empty()) {
                Pending p = ops.back();
                ops.pop_back();
                if (p.paren) break;
                if (!_reduce(*p.word, p.unary, stack, missing)) return false;
            }
            expect = false;
            continue;
        }
        if (isoperator(token)) {
            const TnString* word = &token;
            bool unary = same(token, "not", 3) || same(token, "!", 1);
            if (expect && same(token, "-", 1)) {
                word = &kNegate;
                unary = true;
            }
            if (!expect || unary) {
                int strength = precedence(*word);
                while (!ops.empty() && !ops.back().paren && ops.back().precedence > strength) {
                    Pending p = ops.back();
                    ops.pop_back();
                    if (!_reduce(*p.word, p.unary, stack, missing)) return false;
                }
                ops.push_back(Pending{word, strength, unary, false});
                expect = true;
                continue;
            }
            // An operator word where an operand belongs is a name: "min", "in", "add" ...
        }
        TnExpression* leaf = _node();
        leaf->name_ = static_cast<TnString&&>(token);  // no operator refers to an operand's token
        stack.push_back(Slot{leaf, 1});
        expect = false;
    }
    while (!ops.empty()) {
        Pending p = ops.back();
        ops.pop_back();
        // An unmatched "(" is reduced like a binary operator.
        if (!_reduce(*p.word, p.unary, stack, missing)) return false;
    }
    return true;
}

bool TnExpression::_fix(const std::vector<TnString>& tokens, bool prefix, std::vector<Slot>& stack,
                        bool& missing) const {
    int n = static_cast<int>(tokens.size());
    for (int k = 0; k < n; ++k) {
        const TnString& token = tokens[prefix ? n - 1 - k : k];
        if (!isoperator(token)) {
            TnExpression* leaf = _node();
            leaf->name_ = token;
            stack.push_back(Slot{leaf, 1});
            continue;
        }
        bool unary = same(token, "not", 3) || same(token, "!", 1);
        if (!_reduce(token, unary, stack, missing)) return false;
        // _reduce takes the top as b and the one below as a: the written order for postfix;
        // prefix reads backwards, so its operands arrive the other way round.
        if (prefix && !unary) {
            TnExpression* node = stack.back().node;
            TnExpression* t = node->a_;
            node->a_ = node->b_;
            node->b_ = t;
        }
    }
    return true;
}

// ---- evaluation and walks

void TnExpression::_leafvalue(TnScalar& result) const {
    if (!value_.empty()) {
        result.value(value_);
    } else if (reference_) {
        TnString out;
        reference_->value(name_, out);
        result.value(out);
    } else if (valuereq_) {
        TnString out;
        valuereq_(name_, out);
        result.value(out);
    } else {
        result.value(name_);
    }
}

// Post-order on a heap stack of frames; each frame keeps the values of its operands and
// knows where its own value goes (its parent's a or b, or the caller's result).
void TnExpression::eval(TnScalar& result) const {
    if (isleaf()) {
        _leafvalue(result);
        return;
    }
    std::vector<Frame> frames;
    frames.reserve(16);
    frames.emplace_back(this, -1, false);
    while (!frames.empty()) {
        int i = static_cast<int>(frames.size()) - 1;
        Frame& f = frames[i];
        const TnExpression* n = f.node;
        TnScalar& out = f.parent < 0 ? result : (f.intoA ? frames[f.parent].a : frames[f.parent].b);
        if (n->isleaf()) {
            n->_leafvalue(out);
            frames.pop_back();
        } else if (!n->b_) {
            frames.pop_back();
        } else if (f.stage == 0) {
            f.stage = 1;
            frames.emplace_back(n->b_, i, false);
        } else if (f.stage == 1 && n->unary_) {
            TnScalar::eval(n->opcode_, f.b, out);
            frames.pop_back();
        } else if (f.stage == 1) {
            if (!n->a_) {
                frames.pop_back();
            } else {
                f.stage = 2;
                frames.emplace_back(n->a_, i, true);
            }
        } else {
            TnScalar::eval(n->opcode_, f.a, f.b, out);
            frames.pop_back();
        }
    }
}

int TnExpression::isvalid() const {
    std::vector<const TnExpression*> pending{this};
    while (!pending.empty()) {
        const TnExpression* n = pending.back();
        pending.pop_back();
        if (n->isleaf()) {
            if (!n->value_.empty()) continue;
            if (n->reference_) {
                if (!n->reference_->isvalid(n->name_)) return 0;
            } else if (n->validreq_ && !n->validreq_(n->name_)) {
                return 0;
            }
            continue;
        }
        if (n->b_) pending.push_back(n->b_);
        if (!n->unary_ && n->a_) pending.push_back(n->a_);
    }
    return 1;
}

void TnExpression::variables(TnStringList& out) const {
    std::vector<const TnExpression*> pending{this};
    while (!pending.empty()) {
        const TnExpression* n = pending.back();
        pending.pop_back();
        if (n->isleaf()) {
            if (n->reference_ && n->reference_->isvariable(n->name_)) out.push(new TnString(n->name_));
            continue;
        }
        // b's subtree is walked before a's.
        if (!n->unary_ && n->a_) pending.push_back(n->a_);
        if (n->b_) pending.push_back(n->b_);
    }
}

void TnExpression::display(int indent) const {
    std::vector<std::pair<const TnExpression*, int>> pending;
    pending.emplace_back(this, indent < 0 ? 0 : indent);
    while (!pending.empty()) {
        const TnExpression* n = pending.back().first;
        int depth = pending.back().second;
        pending.pop_back();
        for (int i = 0; i < depth; ++i) fputc(' ', stdout);
        const TnString& word = n->isleaf() ? n->name_ : n->op_;
        fwrite(word.value(), 1, word.length(), stdout);
        fputc('\n', stdout);
        if (n->b_) pending.emplace_back(n->b_, depth + 2);
        if (n->a_) pending.emplace_back(n->a_, depth + 2);
    }
    fflush(stdout);
}

// ---- tokenizers and splitters

void TnExpression::_tokens(const TnString& text, int mode, std::vector<TnString>& out) {
    const char* s = text.value();
    int n = text.length();
    int i = 0;
    while (i < n) {
        if (blank(s[i])) {
            ++i;
            continue;
        }
        switch (mode) {
        case kExpression: expressiontoken(s, n, i, out); break;
        case kCallback: wordtoken(s, n, i, false, out); break;
        case kValue: wordtoken(s, n, i, true, out); break;
        case kCommand: commandtoken(s, n, i, out); break;
        default: rangetoken(s, n, i, out); break;
        }
    }
}

int TnExpression::tokenize(const TnString& text, TnStringList& out) {
    std::vector<TnString> tokens;
    _tokens(text, kExpression, tokens);
    return tolist(tokens, out);
}

int TnExpression::callbacktokenize(const TnString& text, TnStringList& out) {
    std::vector<TnString> tokens;
    _tokens(text, kCallback, tokens);
    return tolist(tokens, out);
}

int TnExpression::valuetokenize(const TnString& text, TnStringList& out) {
    std::vector<TnString> tokens;
    _tokens(text, kValue, tokens);
    return tolist(tokens, out);
}

int TnExpression::commandtokenize(const TnString& text, TnStringList& out) {
    std::vector<TnString> tokens;
    _tokens(text, kCommand, tokens);
    return tolist(tokens, out);
}

int TnExpression::rangetokenize(const TnString& text, TnStringList& out) {
    std::vector<TnString> tokens;
    _tokens(text, kRange, tokens);
    return tolist(tokens, out);
}

int TnExpression::split(const TnString& text, TnStringList& out) {
    const char* s = text.value();
    int n = text.length();
    int added = 0;
    int from = 0;
    char quote = 0;
    int braces = 0;
    for (int i = 0; i < n; ++i) {
        char c = s[i];
        if (quote) {
            if (c == '\\')
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (braces > 0) {
            if (c == '{')
                ++braces;
            else if (c == '}')
                --braces;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '{') {
            braces = 1;
        } else if (c == ',') {
            added += trimmed(text, from, i, out);
            from = i + 1;
        }
    }
    added += trimmed(text, from, n, out);
    return added;
}

int TnExpression::split(const TnString& text, TnStringHash& out) {
    TnStringList items;
    split(text, items);
    for (int i = 0; i < items.length(); ++i) {
        TnString name, value;
        splitequal(*items.get(i), name, value);
        out.set(new TnString(value), name);
    }
    return items.length();
}

int TnExpression::splitcomma(const TnString& text, TnStringList& out) {
    const char* s = text.value();
    int n = text.length();
    int added = 0;
    int brackets = 0;
    TnString item("");
    for (int i = 0; i <= n; ++i) {
        char c = i < n ? s[i] : ',';
        if (i == n || (brackets == 0 && c == ',')) {
            if (!item.empty()) {
                out.push(new TnString(item));
                ++added;
            }
            item.clear();
            continue;
        }
        if (c == '[') {
            ++brackets;
        } else if (c == ']' && brackets > 0) {
            --brackets;
        } else if (brackets == 0 && blank(c)) {
            continue;
        }
        item.append(c);
    }
    return added;
}

int TnExpression::splitspace(const TnString& text, TnStringList& out) {
    const char* s = text.value();
    int n = text.length();
    int added = 0;
    int i = 0;
    while (i < n) {
        while (i < n && blank(s[i])) ++i;
        int start = i;
        while (i < n && !blank(s[i])) ++i;
        if (i > start) {
            out.push(new TnString(s + start, i - start));
            ++added;
        }
    }
    return added;
}

int TnExpression::splittab(const TnString& text, TnStringList& out) { return splitchar(text, '\t', out); }

int TnExpression::splitslash(const TnString& text, TnStringList& out) { return splitchar(text, '/', out); }

int TnExpression::splitchar(const TnString& text, char c, TnStringList& out) {
    const char* s = text.value();
    int n = text.length();
    if (n == 0) return 0;
    int added = 0;
    int from = 0;
    for (int i = 0; i <= n; ++i) {
        if (i < n && s[i] != c) continue;
        out.push(new TnString(s + from, i - from));
        if (i == from) *out.top() = "";
        ++added;
        from = i + 1;
    }
    return added;
}

int TnExpression::splitperiod(const TnString& text, TnString& left, TnString& right) {
    const char* s = text.value();
    int n = text.length();
    int at = 0;
    while (at < n && s[at] != '.') ++at;
    TnString head(s, at);
    TnString tail("");
    if (at < n) tail.append(s + at + 1, n - at - 1);
    if (at == 0) head = "";
    left = head;
    right = tail;
    return at < n;
}

int TnExpression::splitequal(const TnString& text, TnString& left, TnString& right) {
    return twoparts(text, '=', left, right);
}

int TnExpression::splitbecomes(const TnString& text, TnString& left, TnString& right) {
    return twoparts(text, ':', left, right);
}
