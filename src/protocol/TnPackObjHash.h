#ifndef TN_PROTOCOL_TNPACKOBJHASH_H
#define TN_PROTOCOL_TNPACKOBJHASH_H

#include "core/TnBaseHash.h"

class TnPackObj;

// Object blocks of a parsed XML node, by element name.
class TnPackObjHash : public TnBaseHash<TnPackObj> {};

#endif
