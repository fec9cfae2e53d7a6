#ifndef TN_CORE_TNPACKEDHASH_H
#define TN_CORE_TNPACKEDHASH_H

#include <type_traits>

#include "protocol/TnPack.h"
#include "protocol/TnPackObj.h"

// The pack forms shared by both hash families (TnHash over owned values, TnDataHash over
// plain ones): the entry count under tag 1, then for every entry its key under tag 10 and its
// value under tag 30. In XML each entry is a "key" child followed by an "element" child;
// reading takes key/element, key1/element1, ... until a key is missing. Decoding takes at most
// the announced count of entries and allocates nothing up front.
template <class Table>
class TnPackedHash : public Table, public TnPack {
    using V = typename Table::Value;  // T* for a table that owns its values, T otherwise
    using T = std::remove_pointer_t<V>;
    static constexpr bool kOwning = std::is_pointer_v<V>;

public:
    TnPackedHash() = default;
    TnPackedHash(const TnPackedHash& other) : Table(other), TnPack() {}
    TnPackedHash& operator=(const TnPackedHash& other) {
        Table::copy(other);
        return *this;
    }

    void encode() override {
        store(1, this->length());
        int written = 0;
        for (int i = 0; i < this->slotcount() && written < this->length(); ++i) {
            if (!this->live(i) || !present(this->values_[i])) continue;
            store(10, *this->keys_[i]);
            store(30, item(this->values_[i]));
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
            restore(10, pendingKey_);
            if (consumed()) havePending_ = true;
            break;
        case 30: {
            if (!havePending_ || decoded_ >= expected_) break;
            V value = fresh();
            restore(30, item(value));
            if (!consumed()) {
                discard(value);
                break;
            }
            this->set(value, new TnString(pendingKey_));
            pendingKey_.clear();
            havePending_ = false;
            ++decoded_;
            break;
        }
        }
    }

    void encodeXML() override {
        for (int i = 0; i < this->slotcount(); ++i) {
            if (!this->live(i) || !present(this->values_[i])) continue;
            storeXML("key", *this->keys_[i]);
            storeXML("element", item(this->values_[i]));
        }
    }

    void decodeXML() override {
        const TnPackObj* node = currentNode();
        if (!node) return;
        const long long entryCost = (kOwning ? sizeof(T) + sizeof(TnString) : 0) + sizeof(TnString) + 64;
        for (int n = 0;; ++n) {
            const TnString* key = node->variables().get(n == 0 ? TnString("key") : TnPackObj::numbered("key", n));
            if (!key) break;
            if (!_chargeXML(entryCost + 4LL * key->length())) break;
            V value = fresh();
            restoreXML(n == 0 ? TnString("element") : TnPackObj::numbered("element", n), item(value));
            this->set(value, new TnString(*key));
        }
    }

private:
    static T& item(V& v) {
        if constexpr (kOwning)
            return *v;
        else
            return v;
    }
    static V fresh() {
        if constexpr (kOwning)
            return new T();
        else
            return T();
    }
    static void discard(V& v) {
        if constexpr (kOwning) delete v;
    }
    static bool present(const V& v) {
        if constexpr (kOwning)
            return v != nullptr;
        else
            return true;
    }

    int expected_ = 0;
    int decoded_ = 0;
    TnString pendingKey_;
    bool havePending_ = false;
};

#endif
