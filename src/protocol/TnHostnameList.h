#ifndef TN_PROTOCOL_TNHOSTNAMELIST_H
#define TN_PROTOCOL_TNHOSTNAMELIST_H

#include "core/TnList.h"
#include "protocol/TnHostname.h"

class TnHostnameList : public TnList<TnHostname> {
public:
    int type() const override { return 64; }
    TnString typeXML() const override { return "host_name_list"; }
};

#endif
