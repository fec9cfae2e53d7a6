#include "core/TnReference.h"

void TnReference::value(const TnString& name, TnString& out) { out = name; }
