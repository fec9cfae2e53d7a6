#ifndef TN_CORE_TNEXPRESSIONLIST_H
#define TN_CORE_TNEXPRESSIONLIST_H

#include "core/TnExpression.h"
#include "core/TnList.h"

// A list of owned expression trees.
class TnExpressionList : public TnList<TnExpression> {
public:
    int type() const override { return 66; }
    TnString typeXML() const override { return "expression_list"; }
};

#endif
