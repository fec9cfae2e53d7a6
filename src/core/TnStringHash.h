#ifndef TN_CORE_TNSTRINGHASH_H
#define TN_CORE_TNSTRINGHASH_H

#include "core/TnHash.h"
#include "core/TnString.h"

// Strings by name; packs as a hash of strings.
class TnStringHash : public TnHash<TnString> {
public:
    int type() const override { return 56; }
    TnString typeXML() const override { return "string_hash"; }
};

#endif
