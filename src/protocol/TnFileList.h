#ifndef TN_PROTOCOL_TNFILELIST_H
#define TN_PROTOCOL_TNFILELIST_H

#include "core/TnList.h"
#include "protocol/TnFile.h"

class TnFileList : public TnList<TnFile> {
public:
    int type() const override { return 119; }
    TnString typeXML() const override { return "file_list"; }
};

#endif
