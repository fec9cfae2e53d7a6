// Any byte string as range text and as host pattern. The first byte picks the reordering
// and the chunk size; the rest is the text.
//
// Texts such as 1-2000000000 fill a range to its cap of a million values; the walks over
// such a range are the same as over a small one, so they run on small ranges only and a
// huge one is just parsed, printed and read back, which keeps each input well under a
// second with the sanitizers' instrumentation.

#include <cstddef>
#include <cstdint>

#include "core/TnRange.h"
#include "core/TnStringList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int order = data[0] % 7;
    int n = data[0] % 13;
    TnString text(reinterpret_cast<const char*>(data) + 1, static_cast<int>(size - 1));

    TnRange r(text);
    bool small = r.length() <= 20000;
    if (small) {
        r.has(text);
        r.has(r.get(0));
        TnRange copy(r);
        copy.binary();
        copy.reverse();
        TnStringList chunks;
        copy.chunk(n, chunks);
        copy.partition(n - 3, chunks);
    }

    // The compact text reads back as the same sorted, distinct numbers.
    TnString compact = r.value();
    TnRange back(compact);
    if (back.length() != r.length()) __builtin_trap();
    int checked = small ? r.length() : 1000;
    for (int i = 0; i < checked; ++i)
        if (back.get(i) != r.get(i)) __builtin_trap();
    if (back.get(r.length() - 1) != r.get(r.length() - 1)) __builtin_trap();

    int start, end, step;
    TnRange::patternsplit(text, start, end, step);
    TnRange::isrange(text);
    TnStringList names;
    TnRange::patternsplit(order, text, names);
    return 0;
}
