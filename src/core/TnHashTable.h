#ifndef TN_CORE_TNHASHTABLE_H
#define TN_CORE_TNHASHTABLE_H

#include <cstdint>
#include <cstdlib>

#include "core/TnBaseList.h"
#include "core/TnString.h"

// Open-addressing slots shared by both hash families: owned TnString keys and values of V.
// With Owning set, V is a pointer and the table deletes the values it drops.
//
// A key's probe path is h, h + 4, h + 8, h + 16, ... (mod size) for size / 2 attempts, where
// h sums byte_k * 7^k. The offsets repeat after 33 attempts, so no more than that many are
// ever made: later ones would only revisit slots already seen. A path holds so few distinct
// slots that keys sharing a hash (crafted ones, or numbered names such as item1 ... item999999,
// whose sums crowd into a narrow band) could never all be placed however far the table grew.
// When a path is full while the table is at most a quarter used, the entry goes to the next
// free slot after a second, seeded hash of the key instead, and lookups continue along that
// line once the path is exhausted. Starting that line from a hash that the first one does not
// predict keeps its runs short, so colliding keys cost a few probes each, not a walk past all
// the others. Tables that never need it behave exactly as with the path alone.
// The seed of the tables' second hash, drawn once per process, so that nobody can prepare
// keys whose overflow lines meet.
uint32_t tn_hash_seed();

template <class V, bool Owning>
class TnHashTable {
public:
    using Value = V;

    TnHashTable() { allocate(17); }
    TnHashTable(const TnHashTable&) = delete;
    TnHashTable& operator=(const TnHashTable&) = delete;
    virtual ~TnHashTable() {
        empty(Owning);
        delete[] keys_;
        delete[] values_;
    }

    int length() const { return count_; }
    int slotcount() const { return size_; }

    static uint32_t hash(const TnString& key) {
        uint32_t h = 0, power = 1;
        const char* p = key.value();
        for (int k = 0; k < key.length(); ++k) {
            h += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(p[k]))) * power;
            power *= 7;
        }
        return h;
    }

    void keys(TnBaseList<TnString>& out) const {
        out.clear();
        for (int i = 0; i < size_; ++i)
            if (live(i)) out.push(keys_[i]);
    }

    void copykeys(TnBaseList<TnString>& out) const {
        out.clear();
        for (int i = 0; i < size_; ++i)
            if (live(i)) out.push(new TnString(*keys_[i]));
    }

    void clear() { empty(Owning); }

    void resize() {
        int size = size_;
        for (;;) {
            long long next = 4LL * size + 1 + rand() % 100;
            size = next > 0x3fffffff ? 0x3fffffff : static_cast<int>(next);
            TnString** keys = new TnString*[size]();
            V* values = new V[size]();
            int saved = count_;
            count_ = 0;
            bool ok = true;
            for (int i = 0; i < size_ && ok; ++i)
                if (live(i)) ok = insert(keys, values, size, keys_[i], values_[i]);
            if (ok) {
                delete[] keys_;
                delete[] values_;
                keys_ = keys;
                values_ = values;
                size_ = size;
                return;
            }
            count_ = saved;
            delete[] keys;
            delete[] values;
        }
    }

protected:
    bool live(int i) const { return keys_[i] && keys_[i] != &deleted_; }

    int find(const TnString& key) const {
        if (count_ == 0) return -1;
        uint32_t h = hash(key);
        for (int n = 0, attempts = pathLength(size_); n < attempts; ++n) {
            int slot = probe(h, n, size_);
            if (!keys_[slot]) return -1;
            if (keys_[slot] != &deleted_ && *keys_[slot] == key) return slot;
        }
        uint32_t start = spread(key);
        for (int k = 0; k < size_; ++k) {
            int slot = static_cast<int>((start + static_cast<uint32_t>(k)) % static_cast<uint32_t>(size_));
            if (!keys_[slot]) return -1;
            if (keys_[slot] != &deleted_ && *keys_[slot] == key) return slot;
        }
        return -1;
    }

    // Takes ownership of key and value (an equal key already present is replaced, old key
    // and value dropped); resizes until the entry fits.
    void put(TnString* key, V value) {
        while (!insert(keys_, values_, size_, key, value)) resize();
    }

    V take(int slot) {
        V out = values_[slot];
        delete keys_[slot];
        keys_[slot] = &deleted_;
        values_[slot] = V();
        --count_;
        return out;
    }

    void empty(bool dropValues) {
        for (int i = 0; i < size_; ++i) {
            if (live(i)) {
                delete keys_[i];
                if (dropValues) dispose(values_[i]);
            }
            keys_[i] = nullptr;
            values_[i] = V();
        }
        count_ = 0;
    }

    void reallocate(int size) {
        empty(Owning);
        delete[] keys_;
        delete[] values_;
        allocate(size);
    }

    TnString** keys_ = nullptr;
    V* values_ = nullptr;
    int size_ = 0;

private:
    // Offsets 0, 4, 8, ..., 2^31, then 0 and 2: attempt 33 and later repeat attempts 1, 2, ...
    static constexpr int kDistinctOffsets = 33;
    static int pathLength(int size) { return size / 2 < kDistinctOffsets ? size / 2 : kDistinctOffsets; }

    static int probe(uint32_t h, int n, int size) {
        uint32_t offset = n == 0 ? 0u : (2u << (n % 32));
        return static_cast<int>((h + offset) % static_cast<uint32_t>(size));
    }

    // Where the overflow line of a key starts: FNV-1a over its bytes from a per-process seed,
    // then mixed, so that keys sharing the first hash scatter over the whole table.
    static uint32_t spread(const TnString& key) {
        uint32_t x = 2166136261u ^ tn_hash_seed();
        const char* p = key.value();
        for (int k = 0; k < key.length(); ++k) x = (x ^ static_cast<unsigned char>(p[k])) * 16777619u;
        x ^= x >> 16;
        x *= 0x85ebca6bu;
        x ^= x >> 13;
        x *= 0xc2b2ae35u;
        x ^= x >> 16;
        return x;
    }

    static void dispose(V& v) {
        if constexpr (Owning) delete v;
        v = V();
    }

    void allocate(int size) {
        size_ = size;
        count_ = 0;
        keys_ = new TnString*[size]();
        values_ = new V[size]();
    }

    void store(TnString** keys, V* values, int slot, TnString* key, V value, bool replace) {
        if (replace) {
            if (Owning && !(values[slot] == value)) dispose(values[slot]);
            if (keys[slot] != key) delete keys[slot];
        } else {
            ++count_;
        }
        keys[slot] = key;
        values[slot] = value;
    }

    bool insert(TnString** keys, V* values, int size, TnString* key, V value) {
        uint32_t h = hash(*key);
        int freeSlot = -1;
        for (int n = 0, attempts = pathLength(size); n < attempts; ++n) {
            int slot = probe(h, n, size);
            if (!keys[slot]) {
                if (freeSlot < 0) freeSlot = slot;
                break;
            }
            if (keys[slot] == &deleted_) {
                if (freeSlot < 0) freeSlot = slot;
            } else if (*keys[slot] == *key) {
                store(keys, values, slot, key, value, true);
                return true;
            }
        }
        if (freeSlot >= 0) {
            store(keys, values, freeSlot, key, value, false);
            return true;
        }
        if (4LL * count_ > size) return false;  // genuinely crowded: grow instead
        uint32_t start = spread(*key);
        for (int k = 0; k < size; ++k) {
            int slot = static_cast<int>((start + static_cast<uint32_t>(k)) % static_cast<uint32_t>(size));
            if (!keys[slot] || keys[slot] == &deleted_) {
                if (freeSlot < 0) freeSlot = slot;
                if (!keys[slot]) break;
            } else if (*keys[slot] == *key) {
                store(keys, values, slot, key, value, true);
                return true;
            }
        }
        if (freeSlot < 0) return false;
        store(keys, values, freeSlot, key, value, false);
        return true;
    }

    TnString deleted_;
    int count_ = 0;
};

#endif
