// Arbitrary text through the sectioned configuration syntax, with and without case folding,
// and as a path map. Every section must be reachable by its name, and the bounds on sections
// and expansion must keep each run short.

#include <cstddef>
#include <cstdint>

#include "config/TnConfigFile.h"
#include "core/TnPathMap.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

void run(const TnString& text, unsigned char fold) {
    TnConfigFile f;
    if (fold) f = TnConfigFile("", fold);
    f.parse(text);
    check(f.length() <= TnConfigFile::kMaxSections);
    TnStringList names;
    f.keys(names);
    check(names.length() == f.length());
    for (int i = 0; i < names.length(); ++i) {
        const TnConfig* c = f.config(*names.get(i));
        check(c != nullptr);
        check(c->name() == *names.get(i));
    }
    TnConfigHash copy = f.export_hash();
    check(copy.length() == f.length());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    TnString text(reinterpret_cast<const char*>(data), static_cast<int>(size));
    run(text, 0);
    run(text, 1);

    TnPathMap map;
    map.parse(text);
    check(map.directmap_keys().length() == map.directmap().length());
    TnPathMap back;
    back.parse(map.convert());
    map.translate("/mnt/proj/shot/a.exr");

    TnStringList tokens;
    TnConfigFile::stringtokenize(text, tokens);
    TnString joined = tokens.join("");
    check(joined == text);
    TnConfigFile::_localvalue(text, "node01");
    return 0;
}
