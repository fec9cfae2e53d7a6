#ifndef TN_PROTOCOL_TNMACADDRESSLIST_H
#define TN_PROTOCOL_TNMACADDRESSLIST_H

#include "core/TnList.h"
#include "protocol/TnMacAddress.h"

class TnMacAddressList : public TnList<TnMacAddress> {
public:
    int type() const override { return 177; }
    TnString typeXML() const override { return "macaddress_list"; }
};

#endif
