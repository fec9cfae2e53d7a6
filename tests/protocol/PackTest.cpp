#include <gtest/gtest.h>

#include <string>
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
