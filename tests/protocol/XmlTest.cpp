#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/TnIntHash.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

namespace {

// One field of every kind the XML form writes.
class Kinds : public TnRecord<Kinds> {
public:
    static constexpr int kTypeCode = 150;
    static constexpr const char* kTypeXML = "kinds";
    static void fields(TnFieldTable<Kinds>& t) {
        t.field(1, "text", &Kinds::text);
        t.field(2, "number", &Kinds::number, -1);
        t.field(3, "big", &Kinds::big);
        t.field(4, "flag", &Kinds::flag);
        t.field(5, "letter", &Kinds::letter, 'x');
        t.field(6, "ratio", &Kinds::ratio);
    }
    Kinds() { resetFields(); }
    TnString text;
    int number;
    long long big;
    unsigned char flag;
    char letter;
    float ratio;
};

class KindsList : public TnList<Kinds> {
public:
    TnString typeXML() const override { return "kinds_list"; }
};
class KindsHash : public TnHash<Kinds> {
public:
    TnString typeXML() const override { return "kinds_hash"; }
};

// A record holding a nested record and a container of each family.
class Outer : public TnRecord<Outer> {
public:
    static constexpr int kTypeCode = 151;
    static constexpr const char* kTypeXML = "outer";
    static void fields(TnFieldTable<Outer>& t) {
        t.field(1, "name", &Outer::name);
        t.field(2, "inner", &Outer::inner);
        t.field(3, "list", &Outer::list);
        t.field(4, "hash", &Outer::hash);
        t.field(5, "counts", &Outer::counts);
    }
    TnString name;
    Kinds inner;
    TnStringList list;
    TnStringHash hash;
    TnIntHash counts;
};

// Three fields whose names the reader's numbering produces.
class Hosts : public TnRecord<Hosts> {
public:
    static constexpr int kTypeCode = 152;
    static constexpr const char* kTypeXML = "hosts";
    static void fields(TnFieldTable<Hosts>& t) {
        t.field(1, "host", &Hosts::host);
        t.field(2, "host1", &Hosts::host1);
        t.field(3, "host2", &Hosts::host2);
    }
    TnString host, host1, host2;
};

// Large in memory, small in text: what a list of tiny items could be made to allocate.
class Bulky : public TnRecord<Bulky> {
public:
    static constexpr int kTypeCode = 153;
    static constexpr const char* kTypeXML = "bulky";
    static void fields(TnFieldTable<Bulky>& t) { t.field(1, "n", &Bulky::n); }
    int n = 0;
    char pad[4096] = {};
};
class BulkyList : public TnList<Bulky> {};

std::string xmlOf(TnPack& p) {
    p.packXML();
    return std::string(p.packContents(), p.packSize());
}

// The reader wants one root element around the version line and the object block.
int readXML(TnPack& p, const std::string& body) {
    std::string doc = "<pack>" + body + "</pack>";
    return p.unpackXML(doc.data(), static_cast<int>(doc.size()));
}

std::string block(const std::string& fields) {
    return "<version>1</version><object type = 'x'>" + fields + "</object>";
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * n);
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

Kinds sampleKinds() {
    Kinds k;
    k.text = "x<y&\"z'";
    k.number = -5;
    k.big = 1234567890123LL;
    k.flag = 7;
    k.letter = '+';
    k.ratio = 1.5f;
    return k;
}

const char* kKindsLines =
    "<text>x&lt;y&amp;&quot;z'</text>\n"
    "<number>-5</number>\n"
    "<big>1234567890123</big>\n"
    "<flag>1</flag>\n"
    "<letter>+</letter>\n"
    "<ratio>1.500000</ratio>\n";

std::string indented(const char* lines, int tabs) {
    std::string out, prefix(tabs, '\t');
    for (const char* p = lines; *p;) {
        const char* eol = strchr(p, '\n');
        out += prefix + std::string(p, eol + 1);
        p = eol + 1;
    }
    return out;
}

}  // namespace

TEST(XmlLayout, EveryFieldKindAndEscaping) {
    Kinds k = sampleKinds();
    EXPECT_EQ(xmlOf(k), "<version>1</version>\n<object type = 'kinds'>\n" + indented(kKindsLines, 1) + "</object>");

    Kinds zero;
    zero.letter = 0;  // a NUL character would make the text unreadable: written empty
    zero.text = "";
    std::string text = xmlOf(zero);
    EXPECT_NE(text.find("\t<flag>0</flag>\n\t<letter></letter>\n"), std::string::npos);
    EXPECT_NE(text.find("\t<text></text>\n"), std::string::npos);
}

TEST(XmlLayout, NestedRecordsAndContainers) {
    Outer o;
    o.name = "n";
    o.inner = sampleKinds();
    o.list.push(new TnString("a"));
    o.list.push(new TnString("a"));
    o.counts.set(3, "three");
    std::string want = "<version>1</version>\n<object type = 'outer'>\n"
                       "\t<name>n</name>\n"
                       "\t<inner>\n\t\t<object type = 'kinds'>\n" +
                       indented(kKindsLines, 3) +
                       "\t\t</object>\n\t</inner>\n"
                       "\t<list>\n\t\t<object type = 'string_list'>\n"
                       "\t\t\t<item>a</item>\n\t\t\t<item>a</item>\n"
                       "\t\t</object>\n\t</list>\n"
                       "\t<hash>\n\t\t<object type = 'string_hash'>\n\t\t</object>\n\t</hash>\n"
                       "\t<counts>\n\t\t<object type = 'int_hash'>\n"
                       "\t\t\t<key>three</key>\n\t\t\t<element>3</element>\n"
                       "\t\t</object>\n\t</counts>\n"
                       "</object>";
    EXPECT_EQ(xmlOf(o), want);
    // Writing twice gives the same text: the nested objects leave no state behind.
    EXPECT_EQ(xmlOf(o), want);
}

TEST(XmlRead, FieldKindsRoundTripAndConversions) {
    // Read back, every field writes the same text again (the flag was already written as 1).
    Kinds k = sampleKinds(), back;
    std::string text = xmlOf(k);
    ASSERT_EQ(readXML(back, text), 0);
    EXPECT_EQ(xmlOf(back), text);
    EXPECT_EQ(back.flag, 1);

    // Texts are read by the string's own readers; an empty character keeps the field.
    Kinds c;
    ASSERT_EQ(readXML(c, block("<number> 12abc</number><big>-9x</big><flag>0</flag>"
                               "<letter></letter><ratio>2.25e1</ratio><text>&#65;&apos;&lt;</text>")),
              0);
    EXPECT_EQ(c.number, 12);
    EXPECT_EQ(c.big, -9);
    EXPECT_EQ(c.flag, 0);
    EXPECT_EQ(c.letter, 'x');
    EXPECT_FLOAT_EQ(c.ratio, 22.5f);
    EXPECT_EQ(c.text, TnString("A'<"));
    Kinds d;
    ASSERT_EQ(readXML(d, block("<number>many</number><flag>-3</flag><letter>yes</letter>")), 0);
    EXPECT_EQ(d.number, 0);
    EXPECT_EQ(d.flag, 1);
    EXPECT_EQ(d.letter, 'y');

    // Missing elements leave fields as they were; the type word is never checked.
    Kinds e;
    e.text = "kept";
    e.number = 9;
    ASSERT_EQ(readXML(e, "<version>1</version><object type='something else'><big>4</big></object>"), 0);
    EXPECT_EQ(e.text, TnString("kept"));
    EXPECT_EQ(e.number, 9);
    EXPECT_EQ(e.big, 4);

    // The reader takes the text as the parser delivers it: line ends are normalised.
    Kinds f;
    f.text = "a\r\nb\tc";
    ASSERT_EQ(readXML(back, xmlOf(f)), 0);
    EXPECT_EQ(back.text, TnString("a\nb\tc"));
}

TEST(XmlRead, ResultCodes) {
    Kinds k;
    EXPECT_EQ(readXML(k, "<object><number>1</number></object>"), 1);
    EXPECT_EQ(readXML(k, "<version>2</version><object><number>1</number></object>"), 3);
    EXPECT_EQ(readXML(k, "<version>one</version>"), 3);
    EXPECT_EQ(k.number, -1);
    EXPECT_EQ(readXML(k, "<version>1</version><object><number>1</number>"), 4);  // unclosed
    EXPECT_EQ(readXML(k, "<version>1</version><object><number>1</object></number>"), 4);
    EXPECT_EQ(k.unpackXML("", 0), 4);
    EXPECT_EQ(k.unpackXML(nullptr, 10), 4);
    // Without the root element the two top-level elements are junk after the first.
    std::string bare = xmlOf(k);
    EXPECT_EQ(k.unpackXML(bare.data(), static_cast<int>(bare.size())), 4);
    // Text outside elements inside the root is only character data; outside the root it is an error.
    EXPECT_EQ(readXML(k, "stray<version>1</version>text<object>more<number>7</number>tail</object>end"), 0);
    EXPECT_EQ(k.number, 7);
    std::string after = "<pack>" + block("") + "</pack>junk";
    EXPECT_EQ(k.unpackXML(after.data(), static_cast<int>(after.size())), 4);
    // The object block is found only after a leaf has named it: a block before the version is not read.
    Kinds late;
    EXPECT_EQ(readXML(late, "<object><number>5</number></object><version>1</version>"), 0);
    EXPECT_EQ(late.number, -1);
    // A text longer than the reader takes is refused before a byte of it is read.
    char small[4] = {};
    EXPECT_EQ(k.unpackXML(small, TnPack::kMaxXMLBytes + 1), 4);
}

TEST(XmlRead, RepeatedNamesAreNumbered) {
    Hosts h;
    ASSERT_EQ(readXML(h, block("<host>a</host><host>b</host><host>c</host>")), 0);
    EXPECT_EQ(h.host, TnString("a"));
    EXPECT_EQ(h.host1, TnString("b"));
    EXPECT_EQ(h.host2, TnString("c"));
    // A name that is already taken by a literal element is skipped by the numbering.
    Hosts g;
    ASSERT_EQ(readXML(g, block("<host>a</host><host1>lit</host1><host>c</host>")), 0);
    EXPECT_EQ(g.host1, TnString("lit"));
    EXPECT_EQ(g.host2, TnString("c"));
    // Object blocks are numbered among themselves, apart from the leaf texts.
    Outer o;
    ASSERT_EQ(readXML(o, block("<inner><object><number>1</number></object></inner>"
                               "<list><object><item>x</item><item>y</item><item>z</item></object></list>"
                               "<inner><object><number>2</number></object></inner>")),
              0);
    EXPECT_EQ(o.inner.number, 1);
    ASSERT_EQ(o.list.length(), 3);
    EXPECT_EQ(*o.list.get(2), TnString("z"));
}

TEST(XmlRead, ContainersRoundTrip) {
    Outer o;
    o.name = "farm & <co>";
    o.inner = sampleKinds();
    for (const char* w : {"a", "", "a", "it's \"quoted\"", "x>y"}) o.list.push(new TnString(w));
    o.counts.set(-7, "minus");
    o.counts.set(0, "zero");
    Outer back;
    ASSERT_EQ(readXML(back, xmlOf(o)), 0);
    EXPECT_EQ(xmlOf(back), xmlOf(o));
    // A rebuilt hash may list its keys in another order.
    TnStringHash h, hashBack;
    for (int i = 0; i < 40; ++i) h.set(new TnString(TnString("v") + i), TnString("k") + i);
    ASSERT_EQ(readXML(hashBack, xmlOf(h)), 0);
    ASSERT_EQ(hashBack.length(), 40);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(*hashBack.get(TnString("k") + i), TnString("v") + i);

    // Containers of records.
    KindsList records, recordsBack;
    records.push(new Kinds(sampleKinds()));
    records.push(new Kinds());
    ASSERT_EQ(readXML(recordsBack, xmlOf(records)), 0);
    EXPECT_EQ(xmlOf(recordsBack), xmlOf(records));
    KindsHash byName, byNameBack;
    byName.set(new Kinds(sampleKinds()), TnString("first"));
    byName.set(new Kinds(), TnString("second"));
    ASSERT_EQ(readXML(byNameBack, xmlOf(byName)), 0);
    EXPECT_EQ(xmlOf(byNameBack), xmlOf(byName));

    // A list stops at the first missing number; a hash at the first missing key.
    TnStringList gap;
    ASSERT_EQ(readXML(gap, block("<item>a</item><item2>c</item2>")), 0);
    EXPECT_EQ(gap.length(), 1);
    TnStringHash lone;
    ASSERT_EQ(readXML(lone, block("<key>k</key><element1>v</element1><key2>z</key2>")), 0);
    ASSERT_EQ(lone.length(), 1);
    EXPECT_EQ(*lone.get("k"), TnString(""));
}

TEST(XmlFiles, ArchiveAndRecover) {
    char dir[] = "/tmp/tnxmlXXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::string path = std::string(dir) + "/outer.xml";
    Outer o;
    o.name = "archived";
    o.inner = sampleKinds();
    o.list.push(new TnString("l"));
    int written = o.archiveXML(path.c_str());
    std::string text = xmlOf(o);
    EXPECT_EQ(written, static_cast<int>(text.size()));
    Outer back;
    EXPECT_EQ(back.recoverXML(path.c_str()), written + 15);
    EXPECT_EQ(back.name, TnString("archived"));
    EXPECT_EQ(back.inner.letter, '+');
    ASSERT_EQ(back.list.length(), 1);

    EXPECT_EQ(back.recoverXML((std::string(dir) + "/missing").c_str()), 0);
    EXPECT_EQ(back.recoverXML(dir), 0);
    EXPECT_EQ(o.archiveXML((std::string(dir) + "/no/such/dir").c_str()), 0);
    FILE* f = fopen(path.c_str(), "w");
    fputs("<version>2</version>", f);
    fclose(f);
    EXPECT_EQ(back.recoverXML(path.c_str()), 0);
    f = fopen(path.c_str(), "w");
    fclose(f);
    EXPECT_EQ(back.recoverXML(path.c_str()), 0);  // empty file: no version
    unlink(path.c_str());
    rmdir(dir);

    testing::internal::CaptureStdout();
    Kinds k;
    k.showXML();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), xmlOf(k) + "\n");
}

// Hostile documents: each must be refused or read in bounded time and memory.
TEST(XmlHostile, EntitiesAndDocumentTypesAreRefused) {
    Kinds k;
    std::string laughs = "<!DOCTYPE pack [<!ENTITY a \"ha\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY " + std::string(1, 'a' + i) + " \"" + repeat("&" + std::string(1, 'a' + i - 1) + ";", 10) +
                  "\">";
    laughs += "]><pack><version>1</version><object><text>&j;</text></object></pack>";
    EXPECT_EQ(k.unpackXML(laughs.data(), static_cast<int>(laughs.size())), 4);
    std::string external = "<!DOCTYPE pack [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                           "<pack><version>1</version><object><text>&x;</text></object></pack>";
    EXPECT_EQ(k.unpackXML(external.data(), static_cast<int>(external.size())), 4);
    std::string plain = "<!DOCTYPE pack><pack>" + block("") + "</pack>";
    EXPECT_EQ(k.unpackXML(plain.data(), static_cast<int>(plain.size())), 4);
    EXPECT_EQ(readXML(k, block("<text>&undeclared;</text>")), 4);
    EXPECT_EQ(readXML(k, block("<text>&#0;</text>")), 4);
    EXPECT_TRUE(k.text.empty());
}

TEST(XmlHostile, NestingIsBounded) {
    // Depth counts every element, the root and the version's siblings included.
    auto nested = [](int levels) {
        return "<version>1</version>" + repeat("<object><inner>", levels) + repeat("</inner></object>", levels);
    };
    Outer o;
    int fits = (TnPack::kMaxXMLDepth - 1) / 2;
    EXPECT_EQ(readXML(o, nested(fits)), 0);
    EXPECT_EQ(readXML(o, nested(fits + 1)), 4);
    EXPECT_EQ(readXML(o, nested(100000)), 4);
}

TEST(XmlHostile, LargeTextsAndAttributes) {
    Kinds k;
    std::string big(2 << 20, 'a');
    ASSERT_EQ(readXML(k, "<version>1</version><object type='" + big + "' " + "b='1' c='2'><text>" + big +
                             "</text></object>"),
              0);
    EXPECT_EQ(k.text.length(), 2 << 20);
    std::string attrs;
    for (int i = 0; i < 20000; ++i) attrs += " a" + std::to_string(i) + "='v'";
    EXPECT_EQ(readXML(k, "<version>1</version><object" + attrs + "><number>3</number></object>"), 0);
    EXPECT_EQ(k.number, 3);
}

TEST(XmlHostile, ManyElementsStayLinearAndWithinMemory) {
    // Many repeats of one name, as a record or a list receives them.
    Hosts h;
    ASSERT_EQ(readXML(h, block(repeat("<host>v</host>", 30000))), 0);
    EXPECT_EQ(h.host2, TnString("v"));
    TnStringList list;
    ASSERT_EQ(readXML(list, block(repeat("<item></item>\n", 30000))), 0);
    EXPECT_EQ(list.length(), 30000);

    // Names built from two-letter blocks of equal weight share one hash value.
    std::string colliding;
    for (int i = 0; i < 20000; ++i) {
        std::string name = "n";
        for (int b = 0; b < 15; ++b) name += ((i >> b) & 1) ? "ha" : "ab";
        colliding += "<" + name + "/>";
    }
    Kinds k;
    ASSERT_EQ(readXML(k, block(colliding + "<number>4</number>")), 0);
    EXPECT_EQ(k.number, 4);

    // Elements that cost far more as tree nodes than as text are refused.
    EXPECT_EQ(readXML(k, block(repeat("<object/>", 100000))), 4);
    EXPECT_EQ(readXML(k, block(repeat("<a/>", 400000))), 4);
    // So are tiny items that would each become a large record.
    BulkyList bulky;
    EXPECT_EQ(readXML(bulky, block(repeat("<item/>", 20000))), 4);
    EXPECT_LT(bulky.length(), 20000);
    EXPECT_EQ(readXML(bulky, block(repeat("<item><object><n>1</n></object></item>", 100))), 0);
}
