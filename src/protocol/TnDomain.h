#ifndef TN_PROTOCOL_TNDOMAIN_H
#define TN_PROTOCOL_TNDOMAIN_H

#include "protocol/TnRecord.h"

// A farm domain: its name, its region and the id the supervisor gave it (-1 for none).
class TnDomain : public TnRecord<TnDomain> {
public:
    static constexpr int kTypeCode = 62;
    static constexpr const char* kTypeXML = "domain";
    static void fields(TnFieldTable<TnDomain>& t) {
        t.field(1, "name", &TnDomain::name_);
        t.field(2, "id", &TnDomain::id_, -1);
        t.field(3, "region", &TnDomain::region_);
    }

    TnDomain() { resetFields(); }
    explicit TnDomain(const TnString& name) : TnDomain(name, TnString(), -1) {}
    TnDomain(const TnString& name, const TnString& region) : TnDomain(name, region, -1) {}
    TnDomain(const TnString& name, int id) : TnDomain(name, TnString(), id) {}
    TnDomain(const TnString& name, const TnString& region, int id) : name_(name), region_(region), id_(id) {}

    const TnString& value() const { return name_; }
    void value(const TnString& name) { name_ = name; }
    const TnString& region() const { return region_; }
    void region(const TnString& r) { region_ = r; }
    int id() const { return id_; }
    void id(int i) { id_ = i; }

private:
    TnString name_;
    TnString region_;
    int id_ = -1;
};

#endif
