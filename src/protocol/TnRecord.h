#ifndef TN_PROTOCOL_TNRECORD_H
#define TN_PROTOCOL_TNRECORD_H

#include "protocol/TnFieldTable.h"
#include "protocol/TnPack.h"

// Base of the farm's records. A record class C names its type code and XML word and lists
// its fields once:
//
//   class TnHostname : public TnRecord<TnHostname> {
//   public:
//       static constexpr int kTypeCode = 63;
//       static constexpr const char* kTypeXML = "host_name";
//       static void fields(TnFieldTable<TnHostname>& t) {
//           t.field(1, "host", &TnHostname::host_);
//           t.field(2, "port", &TnHostname::port_);
//           t.field(3, "id", &TnHostname::id_, -1);
//       }
//       TnHostname() { resetFields(); }
//       ...
//   };
//
// encode, decode, encodeXML, decodeXML, copy and the defaults then follow from that list.
// The list is built once per class, on first use, and shared by every object of the class.
template <class C>
class TnRecord : public TnPack {
public:
    int type() const override { return C::kTypeCode; }
    TnString typeXML() const override { return C::kTypeXML; }

    void encode() override { table().encode(self()); }
    void decode() override { table().decode(self()); }
    void encodeXML() override { table().encodeXML(self()); }
    void decodeXML() override { table().decodeXML(self()); }

    // Copies every listed field of other.
    void copy(const C& other) {
        if (&other != &self()) table().copy(self(), other);
    }
    // Gives every listed field its default.
    void resetFields() { table().reset(self()); }

    static const TnFieldTable<C>& table() {
        static const TnFieldTable<C> fields = build();
        return fields;
    }

private:
    C& self() { return static_cast<C&>(*this); }
    const C& self() const { return static_cast<const C&>(*this); }
    static TnFieldTable<C> build() {
        TnFieldTable<C> t;
        C::fields(t);
        return t;
    }
};

#endif
