// Arbitrary text through the environment reader, then written and read again. Whatever the
// first reading made of the text, writing it out and reading that back must give the same
// text once more; the environment is also packed and unpacked to exercise its record form.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/TnEnv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    TnString text(reinterpret_cast<const char*>(data), static_cast<int>(size));

    TnEnv first;
    first.revert(text);
    TnString once = first.convert();

    TnEnv second;
    second.revert(once);
    TnString twice = second.convert();
    // A process environment cannot hold NUL bytes, and strings compare as C text, so mount
    // points that differ only after a NUL are one point: the text is stable only without them.
    bool plain = memchr(text.value(), 0, text.length()) == nullptr;
    if (plain && (once.length() != twice.length() || memcmp(once.value(), twice.value(), once.length()) != 0))
        __builtin_trap();

    TnString user, password, share;
    TnStringList points;
    second.mounts(points);
    for (int i = 0; i < points.length(); ++i) second.mount(*points.get(i), user, password, share);
    second.mountmap(text);

    second.pack();
    TnEnv third;
    third.unpack(second.packContents(), second.packSize());
    third.convert();
    return 0;
}
