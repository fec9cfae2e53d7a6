// Arbitrary bytes through the binary decoder: a string list, a string hash, an int hash and a
// record holding nested lists, hashes and another record. Whatever decodes is packed again
// and decoded once more, so the encoder sees hostile contents as well.

#include <cstddef>
#include <cstdint>

#include "core/TnIntHash.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

namespace {

class Inner : public TnRecord<Inner> {
public:
    static constexpr int kTypeCode = 63;
    static constexpr const char* kTypeXML = "inner";
    static void fields(TnFieldTable<Inner>& t) {
        t.field(1, "host", &Inner::host);
        t.field(2, "port", &Inner::port);
        t.field(3, "big", &Inner::big);
    }
    TnString host;
    int port = 0;
    long long big = 0;
};

class Outer : public TnRecord<Outer> {
public:
    static constexpr int kTypeCode = 9;
    static constexpr const char* kTypeXML = "outer";
    static void fields(TnFieldTable<Outer>& t) {
        t.field(1, "id", &Outer::id);
        t.field(2, "name", &Outer::name);
        t.field(3, "inner", &Outer::inner);
        t.field(4, "list", &Outer::list);
        t.field(5, "hash", &Outer::hash);
        t.field(6, "ints", &Outer::ints);
        t.field(7, "flag", &Outer::flag);
        t.field(8, "letter", &Outer::letter);
        t.field(9, "ratio", &Outer::ratio);
    }
    int id = 0;
    TnString name;
    Inner inner;
    TnStringList list;
    TnStringHash hash;
    TnIntHash ints;
    unsigned char flag = 0;
    char letter = 0;
    float ratio = 0;
};

template <class T>
void roundTrip(const char* data, int len) {
    T first;
    if (first.unpack(data, len) != 0) return;
    first.pack();
    T second;
    second.unpack(first.packContents(), first.packSize());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    int len = static_cast<int>(size);
    roundTrip<TnStringList>(bytes, len);
    roundTrip<TnStringHash>(bytes, len);
    roundTrip<TnIntHash>(bytes, len);
    roundTrip<Outer>(bytes, len);
    return 0;
}
