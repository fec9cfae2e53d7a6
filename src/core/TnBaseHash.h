#ifndef TN_CORE_TNBASEHASH_H
#define TN_CORE_TNBASEHASH_H

#include "core/TnHashTable.h"

// A string-keyed table that owns its keys and values (see TnHashTable for the slots).
// remove() hands the value to the caller; keys() and values() lend the table's own objects
// (release the receiving list, never clear it); copykeys() gives owned copies.
// Slot order depends on a random term in resizing, so it differs from run to run.
template <class T>
class TnBaseHash : public TnHashTable<T*, true> {
    using Table = TnHashTable<T*, true>;

public:
    TnBaseHash() = default;
    TnBaseHash(const TnBaseHash& other) : Table() { copy(other); }
    TnBaseHash& operator=(const TnBaseHash& other) {
        copy(other);
        return *this;
    }

    T* get(const TnString& key) const {
        int slot = this->find(key);
        return slot < 0 ? nullptr : this->values_[slot];
    }

    int set(T* value, TnString* key) {
        if (!value || !key) {
            delete key;
            return 0;
        }
        this->put(key, value);
        return 1;
    }

    int set(T* value, const TnString& key) { return value ? set(value, new TnString(key)) : 0; }

    T* remove(const TnString& key) {
        int slot = this->find(key);
        return slot < 0 ? nullptr : this->take(slot);
    }

    void release() { this->empty(false); }

    void values(TnBaseList<T>& out) const {
        out.clear();
        for (int i = 0; i < this->size_; ++i)
            if (this->live(i)) out.push(this->values_[i]);
    }

    void copy(const TnBaseHash& other) {
        if (&other == this) return;
        this->reallocate(other.size_);
        for (int i = 0; i < other.size_; ++i)
            if (other.live(i)) set(new T(*other.values_[i]), new TnString(*other.keys_[i]));
    }
};

#endif
