#ifndef TN_TN_H
#define TN_TN_H

// Everything the tarn library offers, in one include.

#include "core/TnBase.h"
#include "core/TnBaseHash.h"
#include "core/TnBaseList.h"
#include "core/TnDataHash.h"
#include "core/TnDir.h"
#include "core/TnEnv.h"
#include "core/TnHash.h"
#include "core/TnHashTable.h"
#include "core/TnIntHash.h"
#include "core/TnList.h"
#include "core/TnPath.h"
#include "core/TnRegEx.h"
#include "core/TnSimpleHash.h"
#include "core/TnString.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "core/TnTime.h"
#include "diag/TnDebug.h"
#include "diag/TnError.h"
#include "diag/TnMacro.h"
#include "diag/TnOldError.h"
#include "protocol/TnFieldTable.h"
#include "protocol/TnPack.h"
#include "protocol/TnPackObj.h"
#include "protocol/TnPackObjHash.h"
#include "protocol/TnPackObjList.h"
#include "protocol/TnPackage.h"
#include "protocol/TnPackageList.h"
#include "protocol/TnRecord.h"
#include "config/TnDefaults.h"

#endif
