#ifndef TN_CORE_TNSIMPLEHASH_H
#define TN_CORE_TNSIMPLEHASH_H

#include "core/TnHashTable.h"

// A string-keyed table of plain values (used with int): values are copied in and out and
// never deleted; keys are owned as in TnBaseHash.
template <class T>
class TnSimpleHash : public TnHashTable<T, false> {
    using Table = TnHashTable<T, false>;

public:
    TnSimpleHash() = default;
    TnSimpleHash(const TnSimpleHash& other) : Table() { copy(other); }
    TnSimpleHash& operator=(const TnSimpleHash& other) {
        copy(other);
        return *this;
    }

    // The value stored under key, or null when absent.
    const T* get(const TnString& key) const {
        int slot = this->find(key);
        return slot < 0 ? nullptr : &this->values_[slot];
    }

    bool exists(const TnString& key) const { return this->find(key) >= 0; }

    int set(T value, TnString* key) {
        if (!key) return 0;
        this->put(key, value);
        return 1;
    }

    int set(T value, const TnString& key) { return set(value, new TnString(key)); }

    // Takes the entry out; true and its value in out when it was present.
    bool remove(const TnString& key, T* out = nullptr) {
        int slot = this->find(key);
        if (slot < 0) return false;
        T v = this->take(slot);
        if (out) *out = v;
        return true;
    }

    void copy(const TnSimpleHash& other) {
        if (&other == this) return;
        this->reallocate(other.size_);
        for (int i = 0; i < other.size_; ++i)
            if (other.live(i)) set(other.values_[i], new TnString(*other.keys_[i]));
    }
};

#endif
