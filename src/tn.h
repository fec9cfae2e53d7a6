#ifndef TN_TN_H
#define TN_TN_H

// Everything the tarn library offers, in one include.

#include "core/TnBase.h"
#include "core/TnBaseHash.h"
#include "core/TnBaseList.h"
#include "core/TnDataHash.h"
#include "core/TnHash.h"
#include "core/TnHashTable.h"
#include "core/TnIntHash.h"
#include "core/TnList.h"
#include "core/TnSimpleHash.h"
#include "core/TnString.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnAddress.h"
#include "protocol/TnDomain.h"
#include "protocol/TnFieldTable.h"
#include "protocol/TnHostname.h"
#include "protocol/TnHostnameList.h"
#include "protocol/TnMacAddress.h"
#include "protocol/TnMacAddressList.h"
#include "protocol/TnPack.h"
#include "protocol/TnPackObj.h"
#include "protocol/TnPackObjHash.h"
#include "protocol/TnPackObjList.h"
#include "protocol/TnPackage.h"
#include "protocol/TnPackageList.h"
#include "protocol/TnRecord.h"

#endif
