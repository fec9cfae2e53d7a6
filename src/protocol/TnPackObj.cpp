#include "protocol/TnPackObj.h"

template <class Table>
TnString TnPackObj::freeKey(const Table& table, TnSimpleHash<int>& nextSuffix, const TnString& base) {
    if (!table.get(base)) return base;
    const int* next = nextSuffix.get(base);
    int n = next ? *next : 1;
    TnString key;
    for (;; ++n) {
        key = base + n;
        if (!table.get(key)) break;
    }
    nextSuffix.set(n + 1, base);
    return key;
}

void TnPackObj::addElement(const TnString& base, TnPackObj* child) {
    elements_.set(child, freeKey(elements_, nextElement_, base));
}

void TnPackObj::addVariable(const TnString& base, const TnString& text) {
    variables_.set(new TnString(text), freeKey(variables_, nextVariable_, base));
}
