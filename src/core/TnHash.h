#ifndef TN_CORE_TNHASH_H
#define TN_CORE_TNHASH_H

#include "core/TnBaseHash.h"
#include "core/TnPackedHash.h"

// A hash of owned values that packs itself (see TnPackedHash for both forms). Named hashes
// derive from it and give only their type code and XML word.
template <class T>
class TnHash : public TnPackedHash<TnBaseHash<T>> {};

#endif
