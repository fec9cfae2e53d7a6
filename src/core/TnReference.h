#ifndef TN_CORE_TNREFERENCE_H
#define TN_CORE_TNREFERENCE_H

#include "core/TnString.h"
#include "protocol/TnPack.h"

// A resolver of the names in an expression, shared by every node of a tree and counted:
// each node that holds it adds one, and the node that drops the count below 1 deletes it.
// So a reference handed to TnExpression::reference() must come from new, and it belongs to
// the tree from then on. It never travels: its pack operations write and read nothing.
class TnReference : public TnPack {
public:
    TnReference() = default;
    // A copy is a new resolver that nobody holds yet.
    TnReference(const TnReference& other) : TnPack(other) {}
    TnReference& operator=(const TnReference&) { return *this; }
    ~TnReference() override = default;

    int type() const override { return 180; }
    void encode() override {}
    void decode() override {}
    TnString typeXML() const override { return "reference"; }
    void encodeXML() override {}
    void decodeXML() override {}

    // The text a name stands for; by default the name itself.
    virtual void value(const TnString& name, TnString& out);
    // Whether a name may appear in an expression at all (TnExpression::isvalid).
    virtual unsigned char isvalid(const TnString& name) = 0;
    // Whether a name is one of the resolver's variables (TnExpression::variables).
    virtual unsigned char isvariable(const TnString& name) = 0;

    void increment() { ++count_; }
    void decrement() { --count_; }
    int count() const { return count_; }

private:
    int count_ = 0;
};

#endif
