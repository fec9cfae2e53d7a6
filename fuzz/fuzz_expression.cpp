// Any byte string through the expression parsers, the evaluator and every splitter. The
// first byte picks the notation; the rest is the text.

#include <cstddef>
#include <cstdint>

#include "core/TnExpression.h"
#include "core/TnScalar.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"

namespace {

void literal(const TnString& name, TnString& out) { out = name; }

unsigned char anything(const TnString& name) { return name.length() > 0; }

void walk(TnExpression& e) {
    TnScalar s;
    e.eval(s);
    s.stringvalue();
    e.isvalid();
    TnExpression copy(e);
    copy.valuereq(literal);
    copy.validreq(anything);
    copy.eval(s);
    copy.isvalid();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int notation = data[0] % 3;
    TnString text(reinterpret_cast<const char*>(data) + 1, static_cast<int>(size - 1));

    TnExpression e;
    e.parse(text, notation);
    walk(e);
    e.callbackparse(text);
    walk(e);
    e.valueparse(text);
    walk(e);

    TnStringList out;
    TnExpression::tokenize(text, out);
    TnExpression::callbacktokenize(text, out);
    TnExpression::valuetokenize(text, out);
    TnExpression::commandtokenize(text, out);
    TnExpression::rangetokenize(text, out);
    TnExpression::split(text, out);
    TnExpression::splitcomma(text, out);
    TnExpression::splitspace(text, out);
    TnExpression::splittab(text, out);
    TnExpression::splitchar(text, ':', out);
    TnStringHash hash;
    TnExpression::split(text, hash);
    TnString left, right;
    TnExpression::splitequal(text, left, right);
    TnExpression::splitbecomes(text, left, right);
    TnExpression::splitperiod(text, left, right);
    return 0;
}
