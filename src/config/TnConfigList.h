#ifndef TN_CONFIG_TNCONFIGLIST_H
#define TN_CONFIG_TNCONFIGLIST_H

#include "config/TnConfig.h"
#include "core/TnList.h"

// Configuration entries in order.
class TnConfigList : public TnList<TnConfig> {
public:
    int type() const override { return 51; }
    TnString typeXML() const override { return "config_list"; }
};

#endif
