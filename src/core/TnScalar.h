#ifndef TN_CORE_TNSCALAR_H
#define TN_CORE_TNSCALAR_H

#include "core/TnBase.h"
#include "core/TnString.h"

// The value of an expression: an integer, a float or a text. The three fields are kept
// independently, so reading a scalar as another kind never changes its kind; stringvalue()
// does print a number into the text field, which is why it is not const.
//
// Integer arithmetic wraps in 32 bits (two's complement) instead of overflowing, division
// and remainder by zero divide by one, and INT_MIN / -1 gives INT_MIN: an expression typed
// by a person must never stop the process.
class TnScalar : public TnBase {
public:
    enum Kind { kInteger = 0, kFloat = 1, kText = 2 };

    // Operator codes, so a tree can resolve its operator words once and not on every
    // evaluation. kUnknown covers every word without an evaluation rule.
    enum Op {
        kUnknown = 0,
        kDiv, kMul, kMod, kXor, kAdd, kSub, kBitAnd, kBitOr, kAnd, kOr, kShiftLeft, kShiftRight,
        kEq, kNe, kDiamond, kLt, kGt, kLe, kGe, kIn, kHas, kMax, kMin, kNot, kNeg
    };

    TnScalar();
    explicit TnScalar(const TnString& text);
    explicit TnScalar(int value);
    explicit TnScalar(float value);
    TnScalar(const TnScalar& other) = default;
    TnScalar(TnScalar&& other) noexcept = default;
    TnScalar& operator=(const TnScalar& other) = default;
    TnScalar& operator=(TnScalar&& other) noexcept = default;
    ~TnScalar() override = default;

    int type() const override { return 73; }
    void copy(const TnScalar& other) { *this = other; }

    // The kind: kInteger, kFloat or kText.
    int scalartype() const { return type_; }
    void scalartype(int kind) { type_ = kind; }

    void value(const TnString& text);
    void value(int v);
    void value(float v);

    int integervalue() const;
    float floatvalue() const;
    const TnString& stringvalue();

    static int opcode(const TnString& op);

    static void eval(const TnString& op, TnScalar& a, TnScalar& b, TnScalar& result);
    static void eval(const TnString& op, TnScalar& b, TnScalar& result);
    static void eval(int opcode, TnScalar& a, TnScalar& b, TnScalar& result);
    static void eval(int opcode, TnScalar& b, TnScalar& result);

private:
    int type_ = kInteger;
    int integer_ = 0;
    float float_ = 0.0f;
    TnString text_;
};

#endif
