#ifndef TN_CORE_TNLIST_H
#define TN_CORE_TNLIST_H

#include "core/TnBaseList.h"
#include "protocol/TnPack.h"
#include "protocol/TnPackObj.h"

// A list that packs itself: the element count under tag 1, then every element under tag 10
// (a string as a string, a record as a nested object). In XML every element is a child
// named "item"; reading looks for item, item1, item2, ... until one is missing.
// Named lists derive from it and give only their type code and XML word.
template <class T>
class TnList : public TnBaseList<T>, public TnPack {
public:
    TnList() = default;
    TnList(const TnList& other) : TnBaseList<T>(other), TnPack() {}
    TnList& operator=(const TnList& other) {
        TnBaseList<T>::copy(other);
        return *this;
    }

    void encode() override {
        store(1, this->length());
        for (int i = 0; i < this->length(); ++i) store(10, *this->get(i));
    }

    // Called once per tag: the count arms the element reader, which takes at most that many.
    void decode() override {
        if (currentTag() == 1) {
            int count = expected_;
            restore(1, count);
            if (consumed()) {
                expected_ = count;
                decoded_ = 0;
            }
        } else if (currentTag() == 10 && decoded_ < expected_) {
            T* element = new T();
            restore(10, *element);
            if (consumed()) {
                this->push(element);
                ++decoded_;
            } else {
                delete element;
            }
        }
    }

    void encodeXML() override {
        for (int i = 0; i < this->length(); ++i) storeXML("item", *this->get(i));
    }

    // Every element read costs the document's allowance its size, so that a text of many
    // tiny items cannot make a list of large records out of a few bytes each.
    void decodeXML() override {
        const TnPackObj* node = currentNode();
        if (!node) return;
        for (int n = 0;; ++n) {
            TnString name = n == 0 ? TnString("item") : TnPackObj::numbered("item", n);
            if (!node->elements().get(name) && !node->variables().get(name)) break;
            if (!_chargeXML(static_cast<long long>(sizeof(T)) + 64)) break;
            T* element = new T();
            restoreXML(name, *element);
            this->push(element);
        }
    }

private:
    int expected_ = 0;
    int decoded_ = 0;
};

#endif
