#ifndef TN_TN_H
#define TN_TN_H

// Everything the tarn library offers, in one include.

#include "core/TnBase.h"
#include "core/TnBaseHash.h"
#include "core/TnBaseList.h"
#include "core/TnDataHash.h"
#include "core/TnExpression.h"
#include "core/TnExpressionList.h"
#include "core/TnHash.h"
#include "core/TnHashTable.h"
#include "core/TnIntHash.h"
#include "core/TnList.h"
#include "core/TnRange.h"
#include "core/TnReference.h"
#include "core/TnScalar.h"
#include "core/TnSimpleHash.h"
#include "core/TnString.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnFieldTable.h"
#include "protocol/TnPack.h"
#include "protocol/TnPackObj.h"
#include "protocol/TnPackObjHash.h"
#include "protocol/TnPackObjList.h"
#include "protocol/TnPackage.h"
#include "protocol/TnPackageList.h"
#include "protocol/TnRecord.h"
#include "model/TnFlagTable.h"

#endif
