#ifndef TN_PROTOCOL_TNMESSAGELIST_H
#define TN_PROTOCOL_TNMESSAGELIST_H

#include "core/TnBaseList.h"
#include "protocol/TnMessage.h"

// Messages gathered from several peers; not a pack of its own.
class TnMessageList : public TnBaseList<TnMessage> {};

#endif
