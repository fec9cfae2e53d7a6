#ifndef TN_CORE_TNSTRINGLIST_H
#define TN_CORE_TNSTRINGLIST_H

#include "core/TnList.h"
#include "core/TnString.h"

// Ascending order of TnString: empty strings first, then strcmp order.
int tn_string_sort_func(const TnString* a, const TnString* b);

// A list of owned strings with joining, searching and sorting.
class TnStringList : public TnList<TnString> {
public:
    int type() const override { return 55; }
    TnString typeXML() const override { return "string_list"; }

    TnString join(const TnString& separator) const;
    int find(const TnString& s) const;
    void sort() { TnList<TnString>::sort(tn_string_sort_func); }
    void sort(int (*cmp)(const TnString*, const TnString*)) { TnList<TnString>::sort(cmp); }
};

#endif
