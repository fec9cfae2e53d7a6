#ifndef TN_PROTOCOL_TNPACKOBJLIST_H
#define TN_PROTOCOL_TNPACKOBJLIST_H

#include "core/TnBaseList.h"

class TnPackObj;

// The stack of open nodes while the XML reader runs.
class TnPackObjList : public TnBaseList<TnPackObj> {};

#endif
