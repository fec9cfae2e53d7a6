#include "core/TnStringList.h"

int tn_string_sort_func(const TnString* a, const TnString* b) {
    if (*a > *b) return 1;
    if (*a < *b) return -1;
    return 0;
}

TnString TnStringList::join(const TnString& separator) const {
    TnString out("");
    for (int i = 0; i < length(); ++i) {
        if (i > 0) out += separator;
        out += *get(i);
    }
    return out;
}

int TnStringList::find(const TnString& s) const {
    for (int i = 0; i < length(); ++i)
        if (*get(i) == s) return i;
    return -1;
}
