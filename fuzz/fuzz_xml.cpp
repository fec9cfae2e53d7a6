// Arbitrary text into the XML reader, decoded by a record that holds a list, both kinds of
// hash and a nested record (which holds a list again), so that every decoder walks whatever
// tree the text makes. A document that reads back is written again and must read back the
// same way.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/TnIntHash.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

namespace {

class FuzzInner : public TnRecord<FuzzInner> {
public:
    static constexpr int kTypeCode = 9001;
    static constexpr const char* kTypeXML = "fuzz_inner";
    static void fields(TnFieldTable<FuzzInner>& t) {
        t.field(1, "name", &FuzzInner::name);
        t.field(2, "number", &FuzzInner::number);
        t.field(3, "names", &FuzzInner::names);
    }
    TnString name;
    int number = 0;
    TnStringList names;
};

class FuzzRecord : public TnRecord<FuzzRecord> {
public:
    static constexpr int kTypeCode = 9002;
    static constexpr const char* kTypeXML = "fuzz_record";
    static void fields(TnFieldTable<FuzzRecord>& t) {
        t.field(1, "text", &FuzzRecord::text);
        t.field(2, "number", &FuzzRecord::number);
        t.field(3, "big", &FuzzRecord::big);
        t.field(4, "flag", &FuzzRecord::flag);
        t.field(5, "letter", &FuzzRecord::letter);
        t.field(6, "ratio", &FuzzRecord::ratio);
        t.field(7, "list", &FuzzRecord::list);
        t.field(8, "hash", &FuzzRecord::hash);
        t.field(9, "counts", &FuzzRecord::counts);
        t.field(10, "inner", &FuzzRecord::inner);
    }
    TnString text;
    int number = 0;
    long long big = 0;
    unsigned char flag = 0;
    char letter = 0;
    float ratio = 0;
    TnStringList list;
    TnStringHash hash;
    TnIntHash counts;
    FuzzInner inner;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(TnPack::kMaxXMLBytes)) return 0;
    FuzzRecord r;
    int result = r.unpackXML(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (result < 0 || result > 5 || result == 2) abort();
    if (result != 0) return 0;

    // What was read is written again; the second reading must give the same text. Strings
    // holding bytes the parser refuses (control characters) make the text unreadable, and
    // hash order may differ, so only the lengths of what came back are compared then.
    r.packXML();
    std::string first(r.packContents(), r.packSize());
    std::string doc = "<pack>" + first + "</pack>";
    FuzzRecord again;
    if (again.unpackXML(doc.data(), static_cast<int>(doc.size())) != 0) return 0;
    if (again.list.length() != r.list.length() || again.hash.length() != r.hash.length() ||
        again.counts.length() != r.counts.length() || again.inner.names.length() != r.inner.names.length() ||
        again.number != r.number || again.big != r.big || again.flag != r.flag)
        abort();
    return 0;
}
