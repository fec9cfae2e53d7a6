#ifndef TN_CORE_TNDATAHASH_H
#define TN_CORE_TNDATAHASH_H

#include "core/TnSimpleHash.h"
#include "protocol/TnPack.h"
#include "protocol/TnPackObj.h"

// A simple hash of plain values that packs itself like TnHash: count under tag 1, then each
// key under tag 10 and its value (an int for TnDataHash<int>) under tag 30.
template <class T>
class TnDataHash : public TnSimpleHash<T>, public TnPack {
public:
    TnDataHash() = default;
    TnDataHash(const TnDataHash& other) : TnSimpleHash<T>(other), TnPack() {}
    TnDataHash& operator=(const TnDataHash& other) {
        TnSimpleHash<T>::copy(other);
        return *this;
    }

    void encode() override {
        store(1, this->length());
        int written = 0;
        for (int i = 0; i < this->slotcount() && written < this->length(); ++i) {
            if (!this->live(i)) continue;
            store(10, *this->keys_[i]);
            store(30, this->values_[i]);
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
            if (decoded_ < expected_) restore(10, pendingKey_);
            if (consumed()) havePending_ = true;
            break;
        case 30: {
            if (!havePending_ || decoded_ >= expected_) break;
            T value = T();
            restore(30, value);
            if (!consumed()) break;
            this->set(value, pendingKey_);
            pendingKey_.clear();
            havePending_ = false;
            ++decoded_;
            break;
        }
        }
    }

    void encodeXML() override {
        for (int i = 0; i < this->slotcount(); ++i) {
            if (!this->live(i)) continue;
            storeXML("key", *this->keys_[i]);
            storeXML("element", this->values_[i]);
        }
    }

    void decodeXML() override {
        const TnPackObj* node = currentNode();
        if (!node) return;
        for (int n = 0;; ++n) {
            const TnString* key = node->variables().get(n == 0 ? TnString("key") : TnPackObj::numbered("key", n));
            if (!key) break;
            if (!_chargeXML(static_cast<long long>(sizeof(TnString)) + 64 + 4LL * key->length())) break;
            T value = T();
            restoreXML(n == 0 ? TnString("element") : TnPackObj::numbered("element", n), value);
            this->set(value, *key);
        }
    }

private:
    int expected_ = 0;
    int decoded_ = 0;
    TnString pendingKey_;
    bool havePending_ = false;
};

#endif
