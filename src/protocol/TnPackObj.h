#ifndef TN_PROTOCOL_TNPACKOBJ_H
#define TN_PROTOCOL_TNPACKOBJ_H

#include <memory>

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

    // Stores a child object (taking ownership) under the first free key of name, name1,
    // name2, ... Returns about how many bytes this node took for it (key, table slots,
    // numbering), so that a reader can hold a document's tree to an allowance.
    long long addElement(const TnString& base, TnPackObj* child);
    // Stores a leaf's text the same way among the variables; the text is moved, not copied.
    // Returns the bytes taken, the text's included.
    long long addVariable(const TnString& base, TnString&& text);

    // About what a string object and its buffer take on the heap.
    static long long footprint(const TnString& s);
    // base followed by the decimal number n (n >= 0), the names the numbering makes.
    static TnString numbered(const TnString& base, int n);

private:
    template <class Table>
    static TnString freeKey(const Table& table, std::unique_ptr<TnSimpleHash<int>>& next, const TnString& base);
    template <class Table, class V>
    static long long place(Table& table, std::unique_ptr<TnSimpleHash<int>>& next, const TnString& base, V* value);

    TnPackObjHash elements_;
    TnBaseHash<TnString> variables_;
    TnString cache_;
    TnString name_;
    // Next number to try per repeated name, so that numbering stays linear when a name repeats
    // often; made at the first repeat, since most nodes never see one.
    std::unique_ptr<TnSimpleHash<int>> nextElement_;
    std::unique_ptr<TnSimpleHash<int>> nextVariable_;
};

#endif
