#include "core/TnScalar.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/TnExpression.h"
#include "core/TnStringList.h"

namespace {

// Two's-complement wrapping, so that no operand pair can reach undefined behaviour.
int wrap(int64_t v) { return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

int truncated(float f) {
    if (std::isnan(f)) return 0;
    if (f >= 2147483648.0f) return INT_MAX;
    if (f <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(f);
}

bool listed(const TnString& item, const TnString& list) {
    TnStringList items;
    TnExpression::split(list, items);
    for (int i = 0; i < items.length(); ++i)
        if (*items.get(i) == item) return true;
    return false;
}

int integerrule(int op, int a, int b) {
    switch (op) {
    case TnScalar::kDiv:
        if (b == 0) b = 1;
        if (a == INT_MIN && b == -1) return INT_MIN;
        return a / b;
    case TnScalar::kMod:
        if (b == 0) b = 1;
        if (b == -1) return 0;
        return a % b;
    case TnScalar::kMul: return wrap(static_cast<int64_t>(a) * b);
    case TnScalar::kXor: return a ^ b;
    case TnScalar::kAdd: return wrap(static_cast<int64_t>(a) + b);
    case TnScalar::kSub: return wrap(static_cast<int64_t>(a) - b);
    case TnScalar::kBitAnd: return a & b;
    case TnScalar::kBitOr: return a | b;
    case TnScalar::kAnd: return a != 0 && b != 0;
    case TnScalar::kOr: return a != 0 || b != 0;
    // b mod 32 in the mathematical sense, so a negative count still shifts by 0..31.
    case TnScalar::kShiftLeft: return wrap(static_cast<uint32_t>(a) << (b & 31));
    case TnScalar::kShiftRight: return a >> (b & 31);
    case TnScalar::kEq:
    case TnScalar::kIn:
    case TnScalar::kHas: return a == b;
    case TnScalar::kNe:
    case TnScalar::kDiamond: return a != b;
    case TnScalar::kLt: return a < b;
    case TnScalar::kGt: return a > b;
    case TnScalar::kLe: return a <= b;
    case TnScalar::kGe: return a >= b;
    case TnScalar::kMax: return a > b ? a : b;
    case TnScalar::kMin: return a < b ? a : b;
    default: return 0;
    }
}

float floatrule(int op, float a, float b) {
    switch (op) {
    case TnScalar::kDiv:
        if (b == 0.0f) b = 1.0f;
        return a / b;
    case TnScalar::kMul: return a * b;
    case TnScalar::kAdd: return a + b;
    case TnScalar::kSub: return a - b;
    case TnScalar::kAnd: return (a != 0.0f && b != 0.0f) ? 1.0f : 0.0f;
    case TnScalar::kOr: return (a != 0.0f || b != 0.0f) ? 1.0f : 0.0f;
    case TnScalar::kEq:
    case TnScalar::kIn:
    case TnScalar::kHas: return a == b ? 1.0f : 0.0f;
    case TnScalar::kNe: return a != b ? 1.0f : 0.0f;
    case TnScalar::kLt: return a < b ? 1.0f : 0.0f;
    case TnScalar::kGt: return a > b ? 1.0f : 0.0f;
    case TnScalar::kLe: return a <= b ? 1.0f : 0.0f;
    case TnScalar::kGe: return a >= b ? 1.0f : 0.0f;
    case TnScalar::kMax: return a > b ? a : b;
    case TnScalar::kMin: return a < b ? a : b;
    default: return 0.0f;
    }
}

int textrule(int op, TnScalar& a, TnScalar& b) {
    switch (op) {
    case TnScalar::kEq: return a.stringvalue() == b.stringvalue();
    case TnScalar::kNe: return a.stringvalue() != b.stringvalue();
    case TnScalar::kIn: return listed(a.stringvalue(), b.stringvalue());
    case TnScalar::kHas: return listed(b.stringvalue(), a.stringvalue());
    case TnScalar::kAnd: return a.stringvalue().integervalue() != 0 && b.stringvalue().integervalue() != 0;
    default: return 0;
    }
}

// Operator words packed with their length into one integer (they are at most 3 bytes).
constexpr uint32_t packed(const char* w, int n) {
    if (n < 1 || n > 3) return 0;
    uint32_t key = static_cast<uint32_t>(n);
    for (int i = 0; i < n; ++i) key |= static_cast<uint32_t>(static_cast<unsigned char>(w[i])) << (8 * (i + 1));
    return key;
}

struct OpWord {
    uint32_t key;
    int code;
};

#define TN_OP(w, c) {packed(w, sizeof(w) - 1), TnScalar::c}

const OpWord kOpWords[] = {
    TN_OP("/", kDiv),        TN_OP("div", kDiv),        TN_OP("*", kMul),        TN_OP("mul", kMul),
    TN_OP("%", kMod),        TN_OP("mod", kMod),        TN_OP("^", kXor),        TN_OP("xor", kXor),
    TN_OP("+", kAdd),        TN_OP("add", kAdd),        TN_OP("-", kSub),        TN_OP("sub", kSub),
    TN_OP("&", kBitAnd),     TN_OP("|", kBitOr),        TN_OP("&&", kAnd),       TN_OP("and", kAnd),
    TN_OP("||", kOr),        TN_OP("or", kOr),          TN_OP("<<", kShiftLeft), TN_OP("ls", kShiftLeft),
    TN_OP(">>", kShiftRight), TN_OP("rs", kShiftRight), TN_OP("=", kEq),         TN_OP("==", kEq),
    TN_OP("eq", kEq),        TN_OP("!=", kNe),          TN_OP("ne", kNe),        TN_OP("<>", kDiamond),
    TN_OP("<", kLt),         TN_OP("lt", kLt),          TN_OP(">", kGt),         TN_OP("gt", kGt),
    TN_OP("<=", kLe),        TN_OP("le", kLe),          TN_OP(">=", kGe),        TN_OP("ge", kGe),
    TN_OP("in", kIn),        TN_OP("has", kHas),        TN_OP("max", kMax),      TN_OP("min", kMin),
    TN_OP("!", kNot),        TN_OP("not", kNot),        TN_OP("--", kNeg),
};

#undef TN_OP

}  // namespace

TnScalar::TnScalar() = default;

TnScalar::TnScalar(const TnString& text) { value(text); }

TnScalar::TnScalar(int v) { value(v); }

TnScalar::TnScalar(float v) { value(v); }

void TnScalar::value(const TnString& text) {
    if (!text.empty() && text.isinteger()) {
        type_ = kInteger;
        integer_ = text.integervalue();
    } else if (text.isfloat()) {
        type_ = kFloat;
        float_ = text.floatvalue();
    } else {
        type_ = kText;
        text_ = text;
    }
}

void TnScalar::value(int v) {
    type_ = kInteger;
    integer_ = v;
}

void TnScalar::value(float v) {
    type_ = kFloat;
    float_ = v;
}

int TnScalar::integervalue() const {
    switch (type_) {
    case kInteger: return integer_;
    case kFloat: return truncated(float_);
    default: return text_.integervalue();
    }
}

float TnScalar::floatvalue() const {
    switch (type_) {
    case kInteger: return static_cast<float>(integer_);
    case kFloat: return float_;
    default: return text_.floatvalue();
    }
}

const TnString& TnScalar::stringvalue() {
    if (type_ == kInteger)
        text_.copy(integer_);
    else if (type_ == kFloat)
        text_.copy(float_);
    return text_;
}

int TnScalar::opcode(const TnString& op) {
    // "-" doubles as the unary minus: the unary rule treats kSub like kNeg.
    uint32_t key = packed(op.value(), op.length());
    if (key == 0) return kUnknown;
    for (const OpWord& w : kOpWords)
        if (w.key == key) return w.code;
    return kUnknown;
}

void TnScalar::eval(const TnString& op, TnScalar& a, TnScalar& b, TnScalar& result) {
    eval(opcode(op), a, b, result);
}

void TnScalar::eval(const TnString& op, TnScalar& b, TnScalar& result) { eval(opcode(op), b, result); }

void TnScalar::eval(int op, TnScalar& a, TnScalar& b, TnScalar& result) {
    int kind = a.type_ > b.type_ ? a.type_ : b.type_;
    if (kind == kInteger) {
        result.value(integerrule(op, a.integervalue(), b.integervalue()));
    } else if (kind == kFloat) {
        result.value(floatrule(op, a.floatvalue(), b.floatvalue()));
    } else {
        result.value(textrule(op, a, b));
    }
}

void TnScalar::eval(int op, TnScalar& b, TnScalar& result) {
    bool negate = op == kNeg || op == kSub;
    bool invert = op == kNot;
    if (b.type_ == kInteger) {
        int v = b.integer_;
        result.value(invert ? (v == 0 ? 1 : 0) : negate ? wrap(-static_cast<int64_t>(v)) : 0);
    } else if (b.type_ == kFloat) {
        float v = b.float_;
        result.value(invert ? (v == 0.0f ? 1.0f : 0.0f) : negate ? -v : 0.0f);
    } else {
        // A text has no unary rule: the result becomes a text and keeps its own words.
        result.type_ = kText;
    }
}
