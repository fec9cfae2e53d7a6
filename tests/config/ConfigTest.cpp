#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/TnConfig.h"
#include "config/TnConfigHash.h"
#include "config/TnConfigList.h"
#include "diag/TnDebug.h"
#include "support/Support.h"

namespace {

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

std::vector<std::string> labels(const TnConfig& c) {
    std::vector<std::string> out;
    TnStringList l = c.optionlist();
    for (int i = 0; i < l.length(); ++i) out.push_back(str(*l.get(i)));
    return out;
}

std::string opt(const TnConfig& c, const char* name) { return str(c.option(name)); }

TnConfig parsed(const char* text) {
    TnConfig c;
    c.parse(text);
    return c;
}

TnString write(const support::TempDir& dir, const char* name, const std::string& content) {
    support::writeFile(dir.file(name), content);
    return TnString(dir.file(name).c_str());
}

}  // namespace

TEST(ConfigSyntax, QuotesBracesHeadersAndOrder) {
    TnConfig c = parsed("a = 1\nb=\"two words\"\nc = {x\ny}\n[anything]\n");
    EXPECT_EQ(labels(c), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(opt(c, "a"), "1");
    EXPECT_EQ(opt(c, "b"), "two words");
    EXPECT_EQ(opt(c, "c"), "x\ny");
    EXPECT_TRUE(c.valid());
    EXPECT_TRUE(c.eof());
}

TEST(ConfigSyntax, ValueForms) {
    struct Case {
        const char* text;
        const char* value;
    };
    const Case cases[] = {
        {"k = value # note", "value"},
        {"k = 'single quoted' tail", "single quoted"},
        {"k = \"unclosed\nnext = 2", "unclosed"},
        {"k = 'unclosed\r\n", "unclosed"},
        {"k = {outer {inner} end} tail", "outer {inner} end"},
        {"k = {a\r\nb}", "a\nb"},
        {"k = \"a\rb\"", "ab"},
        {"k = bare\tword", "bare"},
        {"k = caf\xc3\xa9", "caf"},
        {"k = #not a value", ""},
        {"k =", ""},
        {"k = \n", ""},
        {"k = \"\"", ""},
        {"k = {never closed\nstill", "never closed\nstill"},
        {"k = \"cut at end", "cut at end"},
        {"  k\t=\t  padded  ", "padded"},
        {"k = a=b", "a=b"},
    };
    for (const Case& t : cases) {
        TnConfig c = parsed(t.text);
        ASSERT_TRUE(c.exists("k")) << t.text;
        EXPECT_EQ(opt(c, "k"), t.value) << t.text;
    }
    // An unclosed quote ends at the newline, which then ends the line: the next line stands.
    EXPECT_EQ(opt(parsed("k = \"unclosed\nnext = 2"), "next"), "2");
}

TEST(ConfigSyntax, NamesAndMalformedLines) {
    TnConfig c = parsed(
        "note # key = 1\n"
        "no equals here\n"
        "sp lit name = v\n"
        "= orphan\n"
        "x = 1\n"
        "# x = 3\n"
        "[head] y = 2\n"
        "[header\nacross] z = 3\n"
        "x = 4\n"
        "tail");
    EXPECT_EQ(labels(c), (std::vector<std::string>{"splitname", "x", "y", "z"}));
    EXPECT_EQ(opt(c, "x"), "4");
    EXPECT_EQ(opt(c, "y"), "2");
    EXPECT_EQ(opt(c, "z"), "3");
    EXPECT_FALSE(c.exists("note"));
    EXPECT_FALSE(c.exists("key"));
    EXPECT_FALSE(c.exists(""));
    EXPECT_FALSE(c.exists("tail"));

    // An unclosed header swallows the rest.
    EXPECT_EQ(parsed("[open\na = 1").length(), 0);
    // A brace value that never closes takes everything after it.
    TnConfig b = parsed("a = {x\nb = 2\n");
    EXPECT_EQ(labels(b), (std::vector<std::string>{"a"}));
    EXPECT_EQ(opt(b, "a"), "x\nb = 2\n");
}

TEST(ConfigSyntax, ParseAddsToWhatIsHeld) {
    TnConfig c = parsed("a = 1\nb = 2\n");
    c.parse("b = 3\nc = 4\n");
    EXPECT_EQ(labels(c), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(opt(c, "b"), "3");
    c.revert("a = 0");
    EXPECT_EQ(opt(c, "a"), "0");
    EXPECT_EQ(str(c.text()), "a = 0");
}

TEST(ConfigCursor, GetPeekEof) {
    TnConfig c;
    EXPECT_TRUE(c.eof());
    EXPECT_EQ(c.get(), 0);
    EXPECT_EQ(c.peek(), 0);
    c.parse("");
    EXPECT_TRUE(c.valid());
    EXPECT_EQ(c.length(), 0);
}

TEST(ConfigOptions, SetRemoveAndLabels) {
    TnConfig c;
    EXPECT_EQ(opt(c, "missing"), "");
    c.option("b", "1");
    c.option("a", "2");
    c.option("b", "3");
    EXPECT_EQ(labels(c), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(opt(c, "b"), "3");
    EXPECT_EQ(c.remove("b"), 1);
    EXPECT_EQ(c.remove("b"), 0);
    EXPECT_EQ(labels(c), (std::vector<std::string>{"a"}));
    c.option("b", "back");
    EXPECT_EQ(labels(c), (std::vector<std::string>{"a", "b"}));

    TnStringList out;
    out.push(new TnString("old"));
    c.labels(out);
    ASSERT_EQ(out.length(), 2);
    EXPECT_EQ(str(*out.get(0)), "a");
}

TEST(ConfigOptions, MatchSubsetAndInherit) {
    TnConfig big = parsed("a = 1\nb = 2\nc = 3\n");
    TnConfig small = parsed("c = 3\na = 1\n");
    EXPECT_EQ(big.matchsubset(small), 1);
    EXPECT_EQ(small.matchsubset(big), 0);
    TnConfig empty;
    EXPECT_EQ(big.matchsubset(empty), 1);
    // An absent option reads as empty.
    TnConfig blank;
    blank.option("zzz", "");
    EXPECT_EQ(big.matchsubset(blank), 1);
    blank.option("a", "2");
    EXPECT_EQ(big.matchsubset(blank), 0);

    TnConfig child = parsed("c = own\nd = 4\n");
    child.inherit(big);
    EXPECT_EQ(labels(child), (std::vector<std::string>{"c", "d", "a", "b"}));
    EXPECT_EQ(opt(child, "c"), "3");
    child.inherit(child);
    EXPECT_EQ(child.length(), 4);
}

TEST(ConfigConvert, FormsAndRoundTrip) {
    TnConfig c = parsed("a = 1\nb=\"two words\"\nc = {x\ny}\nd = \"tab\there\"\ne =\n");
    EXPECT_EQ(str(c.convert()), "a = 1\nb = \"two words\"\nc = {x\ny}\nd = \"tab\there\"\ne = \n");
    TnConfig back = parsed(c.convert().value());
    EXPECT_EQ(labels(back), labels(c));
    for (const char* k : {"a", "b", "c", "d", "e"}) EXPECT_EQ(opt(back, k), opt(c, k)) << k;
    EXPECT_EQ(str(TnConfig().convert()), "");
    EXPECT_EQ(str(TnConfig::assignment("k", "a b\nc")), "k = {a b\nc}");
}

TEST(ConfigTemplate, Layout) {
    TnConfig c = parsed("port = 5\nname = \"two words\"\nextra = x\nmulti = {a\nb}\n");
    const char* templ =
        "# header comment\n"
        "\n"
        "#port = 1\n"
        "port = 2\n"
        "unknown = 3\n"
        "#commented = 4\n"
        "name.sub = 5\n"
        "  name = 6\n"
        "plain text line\n"
        "# these are not included in the template\n"
        "multi = {old\nvalue}\n";
    EXPECT_EQ(str(c.usetemplate(templ)),
              "# header comment\n"
              "\n"
              "port = 5\n"
              "#unknown = 3\n"
              "#commented = 4\n"
              "name.sub = 5\n"
              "name = \"two words\"\n"
              "plain text line\n"
              "multi = {a\nb}\n"
              "# these are not included in the template\n"
              "extra = x\n"
              "\n");
    // Every option in the template: no trailer.
    TnConfig one = parsed("port = 7");
    EXPECT_EQ(str(one.usetemplate("port = 1")), "port = 7\n");
    // An empty template lists everything after the marker line.
    EXPECT_EQ(str(one.usetemplate("")), "# these are not included in the template\nport = 7\n\n");
}

TEST(ConfigTemplate, RoundTripsKeepLayoutAndOptions) {
    TnConfig c = parsed("a = 1\nb = \"x y\"\nc = {p\nq}\n");
    // Its own text as the template gives that text again.
    EXPECT_EQ(str(c.usetemplate(c.convert())), str(c.convert()));

    const std::string templ = "# top\n\n[section]\nb = old\n\n#z = unused\n";
    TnString first = c.usetemplate(templ.c_str());
    TnConfig reread = parsed(first.value());
    EXPECT_EQ(opt(reread, "a"), "1");
    EXPECT_EQ(opt(reread, "b"), "x y");
    EXPECT_EQ(opt(reread, "c"), "p\nq");
    EXPECT_FALSE(reread.exists("z"));
    // Using the result as the next template settles: the trailer is gone, the options stay.
    TnString second = c.usetemplate(first);
    EXPECT_EQ(str(c.usetemplate(second)), str(second));
    EXPECT_EQ(str(second).find("# these are not included"), std::string::npos);
    // The template decides the order of what it holds.
    EXPECT_EQ(labels(parsed(second.value())), (std::vector<std::string>{"b", "a", "c"}));
}

TEST(ConfigFiles, LoadAndTemplateFromFile) {
    support::TempDir dir;
    std::string big;
    for (int i = 0; i < 500; ++i) big += "key" + std::to_string(i) + " = value" + std::to_string(i) + "\n";
    TnConfig c(write(dir, "big.conf", big));
    EXPECT_TRUE(c.valid());
    EXPECT_EQ(c.length(), 500);
    EXPECT_EQ(opt(c, "key499"), "value499");
    EXPECT_EQ(c.text().length(), static_cast<int>(big.size()));

    // Exactly one block, then a block and two bytes: both read whole.
    for (size_t size : {size_t(1024), size_t(1026), size_t(2048)}) {
        std::string text = "k = " + std::string(size - 5, 'v') + "\n";
        TnConfig d(write(dir, "edge.conf", text));
        EXPECT_EQ(opt(d, "k").size(), size - 5) << size;
    }

    TnConfig missing;
    missing.option("kept", "1");
    EXPECT_EQ(missing.load(dir.file("nope").c_str()), 0);
    EXPECT_FALSE(missing.valid());
    EXPECT_EQ(opt(missing, "kept"), "1");
    EXPECT_EQ(missing.load(dir.path().c_str()), 0);  // a directory is no file

    TnConfig t = parsed("a = 2");
    EXPECT_EQ(str(t.loadtemplate(write(dir, "t.conf", "# a\na = 1\n"))), "# a\na = 2\n");
    EXPECT_EQ(str(t.loadtemplate(dir.file("nope").c_str())),
              "# these are not included in the template\na = 2\n\n");
}

TEST(ConfigRecord, PackCopyAndContainers) {
    TnConfig c = parsed("a = 1\nb = {x\ny}\n");
    EXPECT_TRUE(c.address().blank());
    c.name("node01");
    c.address(TnAddress(TnString("10.0.0.5")));
    c.pack();
    TnConfig d;
    ASSERT_EQ(d.unpack(c.packContents(), c.packSize()), 0);
    EXPECT_EQ(str(d.name()), "node01");
    EXPECT_EQ(str(d.address().stringvalue()), "10.0.0.5");
    EXPECT_EQ(labels(d), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(opt(d, "b"), "x\ny");

    c.packXML();
    std::string xml = std::string("<pack>") + c.packContents() + "</pack>";
    EXPECT_NE(xml.find("<address>"), std::string::npos);
    EXPECT_LT(xml.find("<address>"), xml.find("<optionlist>"));
    EXPECT_LT(xml.find("<optionlist>"), xml.find("<options>"));
    EXPECT_LT(xml.find("<options>"), xml.find("<name>"));
    TnConfig e;
    ASSERT_EQ(e.unpackXML(xml.data(), static_cast<int>(xml.size())), 0);
    EXPECT_EQ(str(e.name()), "node01");
    EXPECT_EQ(str(e.address().stringvalue()), "10.0.0.5");
    EXPECT_EQ(labels(e), labels(c));
    EXPECT_EQ(opt(e, "b"), "x\ny");

    // An entry whose options arrived without labels: a copy takes the option names.
    std::string bare = xml;
    size_t from = bare.find("<optionlist>");
    size_t to = bare.find("</optionlist>") + strlen("</optionlist>");
    bare.erase(from, to - from);
    TnConfig nolabels;
    ASSERT_EQ(nolabels.unpackXML(bare.data(), static_cast<int>(bare.size())), 0);
    EXPECT_EQ(nolabels.length(), 0);
    EXPECT_EQ(opt(nolabels, "a"), "1");
    TnConfig copied(nolabels);
    std::vector<std::string> names = labels(copied);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(opt(copied, "b"), "x\ny");
    TnConfig assigned;
    assigned.option("stale", "1");
    assigned = c;
    EXPECT_EQ(labels(assigned), labels(c));
    EXPECT_EQ(str(assigned.address().stringvalue()), "10.0.0.5");
    EXPECT_FALSE(assigned.address().blank());
    EXPECT_FALSE(assigned.exists("stale"));

    TnConfigList list;
    TnConfigHash hash;
    EXPECT_EQ(list.type(), 51);
    EXPECT_EQ(hash.type(), 51);
    EXPECT_EQ(str(list.typeXML()), "config_list");
    EXPECT_EQ(str(hash.typeXML()), "config_list");
    EXPECT_EQ(c.type(), 50);
    EXPECT_EQ(str(c.typeXML()), "config");
    list.push(new TnConfig(c));
    hash.set(new TnConfig(c), TnString("node01"));
    hash.pack();
    TnConfigHash back;
    ASSERT_EQ(back.unpack(hash.packContents(), hash.packSize()), 0);
    ASSERT_TRUE(back.get("node01"));
    EXPECT_EQ(opt(*back.get("node01"), "a"), "1");
}

TEST(ConfigDisplay, WritesLabelsToTheDebugLog) {
    support::TempDir dir;
    std::string log = dir.file("debug.log");
    tn_debug_filename(log.c_str(), 0);
    parsed("a = 1\nb = two\n").display();
    tn_debug_filename("", 0);
    EXPECT_EQ(support::readFile(log), "items: 2\n0: a=1\n1: b=two\n");
    EXPECT_FALSE(TnConfig::host().empty());
}
