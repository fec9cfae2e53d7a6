#ifndef TN_PROTOCOL_TNPACKOBJ_H
#define TN_PROTOCOL_TNPACKOBJ_H

#include "core/TnBaseHash.h"
#include "core/TnSimpleHash.h"
#include "core/TnString.h"
#include "protocol/TnPackObjHash.h"

// One node of the tree that the XML reader builds: the object blocks found directly inside
// this one (by the element name that enclosed them) and the text of each leaf element.
// Repeated names are numbered: name, name1, name2, ...
class TnPackObj : public TnBase {
public:
    TnPackObj() = default;
    TnPackObj(const TnPackObj&) : TnBase() {}
    ~TnPackObj() override = default;

    int type() const override { return 156; }
    virtual void copy(const TnPackObj&) {}

    TnPackObjHash& elements() { return elements_; }
    const TnPackObjHash& elements() const { return elements_; }
    TnBaseHash<TnString>& variables() { return variables_; }
    const TnBaseHash<TnString>& variables() const { return variables_; }
    TnString& cache() { return cache_; }
    TnString& name() { return name_; }

    // Stores a child object under the first free key of name, name1, name2, ...
    void addElement(const TnString& base, TnPackObj* child);
    // Stores a leaf's text the same way among the variables.
    void addVariable(const TnString& base, const TnString& text);

private:
    template <class Table>
    static TnString freeKey(const Table& table, TnSimpleHash<int>& next, const TnString& base);

    TnPackObjHash elements_;
    TnBaseHash<TnString> variables_;
    TnString cache_;
    TnString name_;
    // Next number to try per name, so that numbering stays linear when a name repeats often.
    TnSimpleHash<int> nextElement_;
    TnSimpleHash<int> nextVariable_;
};

#endif
