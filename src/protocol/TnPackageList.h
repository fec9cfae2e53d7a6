#ifndef TN_PROTOCOL_TNPACKAGELIST_H
#define TN_PROTOCOL_TNPACKAGELIST_H

#include "core/TnBaseList.h"

class TnPackage;

// The children of a TnPackage node.
class TnPackageList : public TnBaseList<TnPackage> {};

#endif
