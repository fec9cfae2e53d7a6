#include "protocol/TnPackObj.h"

#include <utility>

// Entries are never removed while a tree is built, so every number below the one remembered
// for a name is still taken and the search may start there: the first free key is the same
// as counting from 1, and a name repeated n times costs n probes in all, not n * n / 2.
// A name with a remembered number is known to be taken already, which saves looking it up.
template <class Table>
TnString TnPackObj::freeKey(const Table& table, std::unique_ptr<TnSimpleHash<int>>& next, const TnString& base) {
    const int* remembered = next ? next->get(base) : nullptr;
    if (!remembered) {
        if (!table.get(base)) return base;
        if (!next) next.reset(new TnSimpleHash<int>);
    }
    int n = remembered ? *remembered : 1;
    TnString key;
    for (;; ++n) {
        key = numbered(base, n);
        if (!table.get(key)) break;
    }
    if (remembered)
        *const_cast<int*>(remembered) = n + 1;  // the slot's own value: no key to copy again
    else
        next->set(n + 1, base);
    return key;
}

TnString TnPackObj::numbered(const TnString& base, int n) {
    char digits[16];
    int at = sizeof digits;
    unsigned v = n < 0 ? 0u : static_cast<unsigned>(n);
    do {
        digits[--at] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    TnString out;
    out.append(base.value(), base.length());
    out.append(digits + at, static_cast<int>(sizeof digits) - at);
    return out;
}

// Heap blocks carry some 16 bytes of bookkeeping; a string's buffer is up to four times its
// length (and at least 16 bytes) once it has grown.
long long TnPackObj::footprint(const TnString& s) {
    long long bytes = static_cast<long long>(sizeof(TnString)) + 16;
    if (s.length() > 0) bytes += 4LL * (s.length() + 1) + 16;
    return bytes;
}

template <class Table, class V>
long long TnPackObj::place(Table& table, std::unique_ptr<TnSimpleHash<int>>& next, const TnString& base, V* value) {
    int slots = table.slotcount();
    int counterSlots = next ? next->slotcount() : 0;
    int counters = next ? next->length() : 0;
    TnString* key = new TnString(freeKey(table, next, base));
    long long bytes = footprint(*key);
    table.set(value, key);
    bytes += static_cast<long long>(table.slotcount() - slots) * (sizeof(TnString*) + sizeof(V*));
    if (next) {
        bytes += static_cast<long long>(next->slotcount() - counterSlots) * (sizeof(TnString*) + sizeof(int));
        bytes += (next->length() - counters) * footprint(base);
    }
    return bytes;
}

long long TnPackObj::addElement(const TnString& base, TnPackObj* child) {
    return place(elements_, nextElement_, base, child);
}

long long TnPackObj::addVariable(const TnString& base, TnString&& text) {
    TnString* value = new TnString(std::move(text));
    long long bytes = footprint(*value);
    return bytes + place(variables_, nextVariable_, base, value);
}
