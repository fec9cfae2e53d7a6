#ifndef TN_CORE_TNINTHASH_H
#define TN_CORE_TNINTHASH_H

#include "core/TnDataHash.h"

// Integers by name; packs its values as plain integers.
class TnIntHash : public TnDataHash<int> {
public:
    int type() const override { return 176; }
    TnString typeXML() const override { return "int_hash"; }
};

#endif
