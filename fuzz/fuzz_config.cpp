// Arbitrary text through the simple configuration syntax. The first part of the input (up to
// a NUL byte) is the configuration, the rest a template. Whatever parses is written back with
// convert and read again: when no value holds a byte that the written form cannot carry
// (quotes, braces, '#', carriage return, NUL, bytes of 128 and above), the options must come
// back exactly. The template layout, the pack forms and the decoder see the same input.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/TnConfig.h"

namespace {

bool plain(const TnString& v) {
    for (int i = 0; i < v.length(); ++i) {
        unsigned char c = static_cast<unsigned char>(v.get(i));
        if (c == '"' || c == '\'' || c == '{' || c == '}' || c == '#' || c == '\r' || c == 0 || c >= 128) return false;
    }
    return true;
}

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    int len = static_cast<int>(size);
    const char* nul = static_cast<const char*>(memchr(bytes, 0, size));
    int split = nul ? static_cast<int>(nul - bytes) : len;

    TnConfig c;
    c.parse(TnString(bytes, split));
    TnStringList labels = c.optionlist();
    check(labels.length() == c.length());

    bool allplain = true;
    for (int i = 0; i < labels.length(); ++i) {
        check(c.exists(*labels.get(i)) != 0);
        if (!plain(c.option(*labels.get(i)))) allplain = false;
    }
    TnString text = c.convert();
    TnConfig back;
    back.parse(text);
    if (allplain) {
        check(back.length() == c.length());
        TnStringList backlabels = back.optionlist();
        for (int i = 0; i < labels.length(); ++i) {
            const TnString& key = *labels.get(i);
            check(*backlabels.get(i) == key);
            check(back.option(key) == c.option(key));
        }
        check(back.matchsubset(c) == 1 && c.matchsubset(back) == 1);
    }

    TnString templ = split < len ? TnString(bytes + split + 1, len - split - 1) : text;
    TnString laid = c.usetemplate(templ);
    TnConfig again;
    again.parse(laid);

    c.name(TnString(bytes, split < 64 ? split : 64));
    c.pack();
    TnConfig unpacked;
    unpacked.unpack(c.packContents(), c.packSize());
    check(unpacked.length() == c.length());
    TnConfig hostile;
    hostile.unpack(bytes, len);
    TnConfig copied(hostile);
    copied.convert();
    return 0;
}
