#ifndef TN_CORE_TNHASH_H
#define TN_CORE_TNHASH_H

#include "core/TnBaseHash.h"
#include "protocol/TnPack.h"
#include "protocol/TnPackObj.h"

// A hash that packs itself: the entry count under tag 1, then for every entry its key under
// tag 10 and its value under tag 30. In XML each entry is a "key" child followed by an
// "element" child; reading takes key/element, key1/element1, ... until a key is missing.
template <class T>
class TnHash : public TnBaseHash<T>, public TnPack {
public:
    TnHash() = default;
    TnHash(const TnHash& other) : TnBaseHash<T>(other), TnPack() {}
    TnHash& operator=(const TnHash& other) {
        TnBaseHash<T>::copy(other);
        return *this;
    }
    ~TnHash() override { delete pendingKey_; }

    void encode() override {
        store(1, this->length());
        int written = 0;
        for (int i = 0; i < this->slotcount() && written < this->length(); ++i) {
            if (!this->live(i) || !this->values_[i]) continue;
            store(10, *this->keys_[i]);
            store(30, *this->values_[i]);
            ++written;
        }
    }

    void decode() override {
        switch (currentTag()) {
        case 1: {
            int count = expected_;
            restore(1, count);
            if (consumed()) {
                expected_ = count;
                decoded_ = 0;
            }
            break;
        }
        case 10:
            if (decoded_ >= expected_) break;
            if (!pendingKey_) pendingKey_ = new TnString();
            restore(10, *pendingKey_);
            break;
        case 30: {
            if (!pendingKey_ || decoded_ >= expected_) break;
            T* value = new T();
            restore(30, *value);
            if (!consumed()) {
                delete value;
                break;
            }
            this->set(value, pendingKey_);
            pendingKey_ = nullptr;
            ++decoded_;
            break;
        }
        }
    }

    void encodeXML() override {
        for (int i = 0; i < this->slotcount(); ++i) {
            if (!this->live(i) || !this->values_[i]) continue;
            storeXML("key", *this->keys_[i]);
            storeXML("element", *this->values_[i]);
        }
    }

    void decodeXML() override {
        const TnPackObj* node = currentNode();
        if (!node) return;
        for (int n = 0;; ++n) {
            const TnString* key = node->variables().get(n == 0 ? TnString("key") : TnPackObj::numbered("key", n));
            if (!key) break;
            if (!_chargeXML(static_cast<long long>(sizeof(T)) + 2 * sizeof(TnString) + 64 + 4LL * key->length())) break;
            T* value = new T();
            restoreXML(n == 0 ? TnString("element") : TnPackObj::numbered("element", n), *value);
            this->set(value, *key);
        }
    }

private:
    int expected_ = 0;
    int decoded_ = 0;
    TnString* pendingKey_ = nullptr;
};

#endif
