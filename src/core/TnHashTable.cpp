#include "core/TnHashTable.h"

#include <unistd.h>

#include <ctime>

uint32_t tn_hash_seed() {
    static const uint32_t seed = [] {
        static int anchor;  // its address differs from run to run where addresses are randomised
        uint64_t v = reinterpret_cast<uintptr_t>(&anchor) ^ (static_cast<uint64_t>(time(nullptr)) << 20) ^
                     static_cast<uint64_t>(getpid());
        return static_cast<uint32_t>(v ^ (v >> 32));
    }();
    return seed;
}
