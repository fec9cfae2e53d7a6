#ifndef TN_PROTOCOL_TNFIELDTABLE_H
#define TN_PROTOCOL_TNFIELDTABLE_H

#include <memory>
#include <utility>
#include <vector>

#include "core/TnString.h"

// The field list of a record class C: for every field its binary tag, its XML element, the
// member that holds it and its default, in the order both encoders write them. The binary
// and XML codecs, copy and reset are all driven by this one list (see TnRecord).
//
// Decoding dispatches on the tag through an index built once per class, so a tag costs one
// lookup whatever the number of fields; each field's restore still checks the wire type, so
// a value of the wrong type is left to the skip rules like any unknown tag.
template <class C>
class TnFieldTable {
public:
    // Hand-written behaviour for a field that is not a plain member (the message content).
    struct Custom {
        void (*encode)(C&);
        void (*decode)(C&);
        void (*encodeXML)(C&);
        void (*decodeXML)(C&);
        void (*copy)(C&, const C&);
    };

    template <class M>
    void field(short tag, const char* xml, M C::*member, M value = M()) {
        add(std::make_unique<Member<M>>(tag, xml, member, std::move(value)));
    }

    void custom(short tag, const char* xml, Custom hooks) { add(std::make_unique<Hooked>(tag, xml, hooks)); }

    void encode(C& c) const {
        for (const auto& f : fields_) f->encode(c);
    }
    void decode(C& c) const {
        int tag = c.currentTag();
        if (tag < 0 || tag >= static_cast<int>(byTag_.size())) return;
        for (int i = byTag_[tag]; i >= 0 && !c.consumed(); i = next_[i]) fields_[i]->decode(c);
    }
    void encodeXML(C& c) const {
        for (const auto& f : fields_) f->encodeXML(c);
    }
    void decodeXML(C& c) const {
        for (const auto& f : fields_) f->decodeXML(c);
    }
    void copy(C& dst, const C& src) const {
        for (const auto& f : fields_) f->copy(dst, src);
    }
    void reset(C& c) const {
        for (const auto& f : fields_) f->reset(c);
    }

    int size() const { return static_cast<int>(fields_.size()); }
    short tag(int i) const { return fields_[i]->tag; }
    const TnString& xml(int i) const { return fields_[i]->xml; }

private:
    struct Field {
        Field(short t, const char* x) : tag(t), xml(x) {}
        virtual ~Field() = default;
        virtual void encode(C&) const = 0;
        virtual void decode(C&) const = 0;
        virtual void encodeXML(C&) const = 0;
        virtual void decodeXML(C&) const = 0;
        virtual void copy(C&, const C&) const = 0;
        virtual void reset(C&) const {}
        short tag;
        TnString xml;
    };

    template <class M>
    struct Member : Field {
        Member(short t, const char* x, M C::*m, M v) : Field(t, x), member(m), value(std::move(v)) {}
        void encode(C& c) const override { c.store(this->tag, c.*member); }
        void decode(C& c) const override { c.restore(this->tag, c.*member); }
        void encodeXML(C& c) const override { c.storeXML(this->xml, c.*member); }
        void decodeXML(C& c) const override { c.restoreXML(this->xml, c.*member); }
        void copy(C& dst, const C& src) const override { dst.*member = src.*member; }
        void reset(C& c) const override { c.*member = value; }
        M C::*member;
        M value;
    };

    struct Hooked : Field {
        Hooked(short t, const char* x, Custom h) : Field(t, x), hooks(h) {}
        void encode(C& c) const override { hooks.encode(c); }
        void decode(C& c) const override { hooks.decode(c); }
        void encodeXML(C& c) const override { hooks.encodeXML(c); }
        void decodeXML(C& c) const override { hooks.decodeXML(c); }
        void copy(C& dst, const C& src) const override { hooks.copy(dst, src); }
        Custom hooks;
    };

    void add(std::unique_ptr<Field> f) {
        int index = static_cast<int>(fields_.size());
        int tag = f->tag;
        fields_.push_back(std::move(f));
        next_.push_back(-1);
        if (tag < 0) return;  // never matched by a decoder
        if (tag >= static_cast<int>(byTag_.size())) byTag_.resize(tag + 1, -1);
        if (byTag_[tag] < 0) {
            byTag_[tag] = index;
            return;
        }
        int last = byTag_[tag];
        while (next_[last] >= 0) last = next_[last];
        next_[last] = index;
    }

    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<int> byTag_;  // tag -> first field with that tag, -1 for none
    std::vector<int> next_;   // next field with the same tag (a tag may carry several types)
};

#endif
