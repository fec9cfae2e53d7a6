#ifndef TN_CORE_TNDATAHASH_H
#define TN_CORE_TNDATAHASH_H

#include "core/TnPackedHash.h"
#include "core/TnSimpleHash.h"

// A hash of plain values (an int for TnDataHash<int>) that packs itself like TnHash.
template <class T>
class TnDataHash : public TnPackedHash<TnSimpleHash<T>> {};

#endif
