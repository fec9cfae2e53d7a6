#ifndef TN_CONFIG_TNCONFIGHASH_H
#define TN_CONFIG_TNCONFIGHASH_H

#include "config/TnConfig.h"
#include "core/TnHash.h"

// Configuration entries by name. Shares its type code and XML word with TnConfigList: the
// two are never told apart on the wire.
class TnConfigHash : public TnHash<TnConfig> {
public:
    int type() const override { return 51; }
    TnString typeXML() const override { return "config_list"; }
};

#endif
