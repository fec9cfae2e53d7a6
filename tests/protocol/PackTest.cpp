#include <gtest/gtest.h>

#include <string>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "core/TnIntHash.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

namespace {

std::vector<unsigned char> bytes(const TnPack& p) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p.packContents());
    return std::vector<unsigned char>(b, b + p.packSize());
}

// A small record of every field kind, written the way the farm's records are.
class Sample : public TnRecord<Sample> {
public:
    static constexpr int kTypeCode = 155;
    static constexpr const char* kTypeXML = "sample";
    static void fields(TnFieldTable<Sample>& t) {
        t.field(1, "number", &Sample::number, -1);
        t.field(2, "text", &Sample::text, TnString("none"));
        t.field(3, "flag", &Sample::flag);
        t.field(4, "letter", &Sample::letter, 'x');
        t.field(5, "big", &Sample::big);
        t.field(6, "names", &Sample::names);
        t.field(7, "ratio", &Sample::ratio);
    }
    Sample() { resetFields(); }

    int number;
    TnString text;
    unsigned char flag;
    char letter;
    long long big;
    TnStringList names;
    float ratio;
};

// Stores whatever the test puts in `raw` as its encoding.
class Raw : public TnRecord<Raw> {
public:
    static constexpr int kTypeCode = 99;
    static constexpr const char* kTypeXML = "raw";
    static void fields(TnFieldTable<Raw>&) {}
};

}  // namespace

namespace {
struct Two : TnRecord<Two> {
    static constexpr int kTypeCode = 1;
    static constexpr const char* kTypeXML = "two";
    static void fields(TnFieldTable<Two>& t) {
        t.field(2, "ab", &Two::ab);
        t.field(7, "n", &Two::n);
    }
    TnString ab = "ab";
    int n = 530;
};
}  // namespace

TEST(PackBytes, WorkedExamples) {
    Two s;
    s.pack();
    std::vector<unsigned char> want = {0, 0, 0, 1, 0, 2, 0, 3, 0, 0, 0, 2, 'a', 'b', 0, 7, 0, 1, 0, 0, 2, 0x12};
    EXPECT_EQ(bytes(s), want);

    Raw empty;
    empty.pack();
    EXPECT_EQ(bytes(empty), (std::vector<unsigned char>{0, 0, 0, 1}));
}

TEST(PackRecord, RoundTripAndDefaults) {
    Sample a;
    EXPECT_EQ(a.number, -1);
    EXPECT_EQ(a.text, TnString("none"));
    a.number = 42;
    a.text = "hello";
    a.flag = 3;
    a.letter = '+';
    a.big = -1234567890123LL;
    a.names.push(new TnString("x"));
    a.names.push(new TnString("y"));
    a.pack();
    Sample b;
    ASSERT_EQ(b.unpack(a.packContents(), a.packSize()), 0);
    EXPECT_EQ(b.number, 42);
    EXPECT_EQ(b.text, TnString("hello"));
    EXPECT_EQ(b.flag, 3);
    EXPECT_EQ(b.letter, '+');
    EXPECT_EQ(b.big, -1234567890123LL);
    ASSERT_EQ(b.names.length(), 2);
    EXPECT_EQ(*b.names.get(1), TnString("y"));

    a.packXML();
    std::string xml = std::string("<pack>") + a.packContents() + "</pack>";
    Sample c;
    ASSERT_EQ(c.unpackXML(xml.data(), static_cast<int>(xml.size())), 0);
    EXPECT_EQ(c.number, 42);
    EXPECT_EQ(c.letter, '+');
    EXPECT_EQ(c.big, -1234567890123LL);
    ASSERT_EQ(c.names.length(), 2);
    EXPECT_EQ(*c.names.get(0), TnString("x"));

    Sample d;
    d.copy(a);
    EXPECT_EQ(d.names.length(), 2);
    EXPECT_EQ(d.text, TnString("hello"));
}

TEST(PackContainers, HashesRoundTrip) {
    TnStringHash h;
    h.set(new TnString("1"), TnString("a"));
    h.set(new TnString("2"), TnString("b"));
    h.pack();
    TnStringHash g;
    ASSERT_EQ(g.unpack(h.packContents(), h.packSize()), 0);
    ASSERT_EQ(g.length(), 2);
    EXPECT_EQ(*g.get("b"), TnString("2"));

    TnIntHash ih;
    ih.set(5, "five");
    ih.pack();
    TnIntHash ig;
    ASSERT_EQ(ig.unpack(ih.packContents(), ih.packSize()), 0);
    ASSERT_TRUE(ig.get("five"));
    EXPECT_EQ(*ig.get("five"), 5);
}

namespace {

// Builds tagged bytes by hand, the way a hostile or foreign peer would.
struct Bytes {
    std::vector<char> b;
    Bytes& u8(int v) {
        b.push_back(static_cast<char>(v));
        return *this;
    }
    Bytes& i16(int v) { return u8(v >> 8).u8(v); }
    Bytes& i32(int v) { return u8(v >> 24).u8(v >> 16).u8(v >> 8).u8(v); }
    Bytes& tag(int id, int wire) { return i16(id).i16(wire); }
    Bytes& str(const char* s) {
        for (const char* p = s; *p; ++p) u8(*p);
        return *this;
    }
    Bytes& version() { return i32(1); }
    int unpack(TnPack& p) const { return p.unpack(b.data(), static_cast<int>(b.size())); }
};

}  // namespace

TEST(PackUnpack, ResultCodes) {
    Sample s;
    EXPECT_EQ(Bytes().u8(0).u8(0).u8(0).unpack(s), 1);
    EXPECT_EQ(Bytes().version().unpack(s), 2);
    EXPECT_EQ(Bytes().i32(2).tag(1, 1).i32(5).unpack(s), 3);
    EXPECT_EQ(s.number, -1);
    EXPECT_EQ(Bytes().version().tag(1, 1).i32(5).unpack(s), 0);
    EXPECT_EQ(s.number, 5);
}

TEST(PackUnpack, FieldsInAnyOrderLastWinsMissingUntouched) {
    Sample s;
    s.text = "kept";
    Bytes().version().tag(3, 6).u8(1).tag(1, 1).i32(7).tag(1, 1).i32(8).unpack(s);
    EXPECT_EQ(s.number, 8);
    EXPECT_EQ(s.flag, 1);
    EXPECT_EQ(s.text, TnString("kept"));
    Bytes().version().tag(2, 3).i32(0).tag(1, 1).i32(9).unpack(s);  // empty string keeps the old text
    EXPECT_EQ(s.text, TnString("kept"));
    EXPECT_EQ(s.number, 9);
}

TEST(PackUnpack, UnknownTagsSkippedOrEndingTheRecord) {
    struct Case {
        Bytes unknown;
        bool skipped;
    };
    std::vector<Case> cases = {
        {Bytes().tag(50, 1).i32(1), true},
        {Bytes().tag(50, 2).u8('c'), true},
        {Bytes().tag(50, 3).i32(3).str("abc"), true},
        {Bytes().tag(50, 4).i32(72).i32(2).u8(0).u8(0), true},
        {Bytes().tag(50, 6).u8(1), true},
        {Bytes().tag(50, 5).i32(0), false},
        {Bytes().tag(50, 7).i32(0).i32(0), false},
        {Bytes().tag(50, 99).i32(0), false},
        {Bytes().tag(2, 1).i32(4), true},  // a known tag with the wrong wire type
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        Sample s;
        Bytes in;
        in.version().tag(1, 1).i32(11);
        in.b.insert(in.b.end(), cases[i].unknown.b.begin(), cases[i].unknown.b.end());
        in.tag(3, 6).u8(1);
        EXPECT_EQ(in.unpack(s), 0);
        EXPECT_EQ(s.number, 11) << i;
        EXPECT_EQ(s.flag, cases[i].skipped ? 1 : 0) << "case " << i;
    }
}

TEST(PackUnpack, MalformedLengthsDropTheRest) {
    Sample s;
    Bytes().version().tag(2, 3).i32(100).str("short").tag(1, 1).i32(3).unpack(s);
    EXPECT_EQ(s.text, TnString("none"));
    EXPECT_EQ(s.number, -1);
    Bytes().version().tag(2, 3).i32(-5).str("abcde").tag(1, 1).i32(3).unpack(s);
    EXPECT_EQ(s.number, -1);
    Bytes().version().tag(1, 1).u8(0).u8(1).unpack(s);  // integer cut short
    EXPECT_EQ(s.number, -1);
    Bytes().version().tag(5, 7).i32(0).unpack(s);  // 64-bit value cut short
    EXPECT_EQ(s.big, 0);
    Bytes().version().tag(1, 1).i32(4).u8(0).u8(2).unpack(s);  // trailing half tag header
    EXPECT_EQ(s.number, 4);
    // An object header that announces more than there is.
    Bytes().version().tag(6, 4).i32(55).i32(1 << 30).tag(1, 1).i32(3).unpack(s);
    EXPECT_EQ(s.number, 4);
    Bytes().version().tag(6, 4).i32(55).unpack(s);  // no length at all
    EXPECT_EQ(s.names.length(), 0);
}

TEST(PackUnpack, NestedObjects) {
    Sample s;
    // A nested type mismatch drops every byte after it in the enclosing record.
    Bytes().version().tag(6, 4).i32(56).i32(0).tag(1, 1).i32(3).unpack(s);
    EXPECT_EQ(s.number, -1);
    // A type-5 field inside the nested list ends only the list; the record goes on.
    Bytes inner;
    inner.tag(1, 1).i32(2).tag(10, 3).i32(1).str("a").tag(9, 5).i32(0).tag(10, 3).i32(1).str("b");
    Bytes outer;
    outer.version().tag(6, 4).i32(55).i32(static_cast<int>(inner.b.size()));
    outer.b.insert(outer.b.end(), inner.b.begin(), inner.b.end());
    outer.tag(1, 1).i32(12);
    outer.unpack(s);
    ASSERT_EQ(s.names.length(), 1);
    EXPECT_EQ(*s.names.get(0), TnString("a"));
    EXPECT_EQ(s.number, 12);
}

TEST(PackUnpack, ListsTakeAtMostTheirCount) {
    TnStringList l;
    Bytes().version().tag(1, 1).i32(2).tag(10, 3).i32(1).str("a").tag(10, 3).i32(1).str("b").tag(10, 3).i32(1).str("c").unpack(l);
    EXPECT_EQ(l.join(","), TnString("a,b"));
    TnStringList none;
    Bytes().version().tag(10, 3).i32(1).str("a").unpack(none);  // no count: nothing is read
    EXPECT_EQ(none.length(), 0);
    TnStringList huge;  // a hostile count allocates nothing up front
    Bytes().version().tag(1, 1).i32(0x7fffffff).tag(10, 3).i32(1).str("x").unpack(huge);
    EXPECT_EQ(huge.length(), 1);

    TnStringList three;
    for (const char* v : {"x", "", "z"}) three.push(new TnString(v));
    three.pack();
    TnStringList back;
    ASSERT_EQ(back.unpack(three.packContents(), three.packSize()), 0);
    EXPECT_EQ(back.join(","), TnString("x,,z"));
}

TEST(PackUnpack, HashesPairKeysWithValues) {
    TnStringHash h;
    // A value without a key before it is ignored; a key without a value stores nothing.
    Bytes().version().tag(1, 1).i32(2).tag(30, 3).i32(1).str("v").tag(10, 3).i32(1).str("k").tag(30, 3).i32(1).str("w").tag(10, 3).i32(1).str("z").unpack(h);
    EXPECT_EQ(h.length(), 1);
    EXPECT_EQ(*h.get("k"), TnString("w"));
}

TEST(PackFiles, ArchiveAndRecover) {
    char dir[] = "/tmp/tnpackXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    TnString path = TnString(dir) + "/rec.bin";
    Sample a;
    a.number = 77;
    int n = a.archive(path);
    EXPECT_GT(n, 4);
    Sample b;
    EXPECT_EQ(b.recover(path), n);
    EXPECT_EQ(b.number, 77);
    EXPECT_EQ(b.recover(TnString(dir)), 0);  // a directory is not an archive
    EXPECT_EQ(b.recover(TnString(dir) + "/missing"), 0);
    EXPECT_EQ(a.archive(TnString(dir) + "/no/such/dir"), 0);
    remove(path.value());
    rmdir(dir);
}

TEST(PackBytes, ByteOrderHelpers) {
    char b[8];
    TnPack::_wc_int64(b, 0x0102030405060708LL);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[7], 8);
    EXPECT_EQ(TnPack::_rc_int64(b), 0x0102030405060708LL);
    TnPack::_wc_int32(b, -2);
    EXPECT_EQ(TnPack::_rc_int32(b), -2);
    TnPack::_wc_int16(b, -3);
    EXPECT_EQ(TnPack::_rc_int16(b), -3);
    uint64_t v = 0x0102030405060708ULL;
    const unsigned char* n = reinterpret_cast<const unsigned char*>(&v);
    uint64_t net = TnPack::htonll(v);
    const unsigned char* m = reinterpret_cast<const unsigned char*>(&net);
    EXPECT_EQ(m[0], n[7]);
}
