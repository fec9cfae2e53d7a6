#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "config/TnConfig.h"
#include "config/TnConfigHash.h"
#include "config/TnConfigList.h"
#include "diag/TnDebug.h"
#include "support/Support.h"

namespace {

using Names = std::vector<std::string>;

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

Names labels(const TnConfig& c) {
    Names out;
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

}  // namespace

TEST(ConfigSyntax, ValueForms) {
    TnConfig c = parsed("a = 1\nb=\"two words\"\nc = {x\ny}\n[anything]\n");
    EXPECT_EQ(labels(c), (Names{"a", "b", "c"}));
    EXPECT_EQ(opt(c, "b"), "two words");
    EXPECT_EQ(opt(c, "c"), "x\ny");

    const char* cases[][2] = {
        {"k = value # note", "value"},
        {"k = 'single quoted' tail", "single quoted"},
        {"k = \"unclosed\nnext = 2", "unclosed"},
        {"k = {outer {inner} end} tail", "outer {inner} end"},
        {"k = {a\r\nb}", "a\nb"},
        {"k = \"a\rb\"", "ab"},
        {"k = bare\tword", "bare"},
        {"k = caf\xc3\xa9", "caf"},
        {"k = #not a value", ""},
        {"k =", ""},
        {"k = {never closed\nstill", "never closed\nstill"},
        {"  k\t=\t  padded  ", "padded"},
        {"k = a=b", "a=b"},
    };
    for (const auto& t : cases) {
        TnConfig k = parsed(t[0]);
        ASSERT_TRUE(k.exists("k")) << t[0];
        EXPECT_EQ(opt(k, "k"), t[1]) << t[0];
    }
    // An unclosed quote ends at the newline, which then ends the line: the next line stands.
    EXPECT_EQ(opt(parsed("k = \"unclosed\nnext = 2"), "next"), "2");
}

TEST(ConfigSyntax, NamesCommentsAndMalformedLines) {
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
    EXPECT_EQ(labels(c), (Names{"splitname", "x", "y", "z"}));
    EXPECT_EQ(opt(c, "x"), "4");  // first place, last value
    EXPECT_EQ(opt(c, "z"), "3");
    EXPECT_EQ(parsed("[open\na = 1").length(), 0);
    EXPECT_EQ(labels(parsed("a = {x\nb = 2\n")), (Names{"a"}));

    // Parsing again adds to what is held.
    c.revert("y = 5\nw = 6");
    EXPECT_EQ(labels(c), (Names{"splitname", "x", "y", "z", "w"}));
    EXPECT_EQ(opt(c, "y"), "5");
}

TEST(ConfigOptions, RemoveMatchAndInherit) {
    TnConfig c = parsed("b = 1\na = 2\n");
    EXPECT_EQ(c.remove("b"), 1);
    EXPECT_EQ(c.remove("b"), 0);
    c.option("b", "back");
    EXPECT_EQ(labels(c), (Names{"a", "b"}));

    TnConfig big = parsed("a = 1\nb = 2\nc = 3\n");
    EXPECT_EQ(big.matchsubset(parsed("c = 3\na = 1\n")), 1);
    EXPECT_EQ(parsed("c = 3\n").matchsubset(big), 0);
    EXPECT_EQ(big.matchsubset(parsed("zzz =\n")), 1);  // absent reads as empty
    EXPECT_EQ(big.matchsubset(parsed("a = 2\n")), 0);

    TnConfig child = parsed("c = own\nd = 4\n");
    child.inherit(big);
    EXPECT_EQ(labels(child), (Names{"c", "d", "a", "b"}));
    EXPECT_EQ(opt(child, "c"), "3");
}

TEST(ConfigConvert, FormsAndRoundTrip) {
    TnConfig c = parsed("a = 1\nb=\"two words\"\nc = {x\ny}\nd = \"tab\there\"\ne =\n");
    EXPECT_EQ(str(c.convert()), "a = 1\nb = \"two words\"\nc = {x\ny}\nd = \"tab\there\"\ne = \n");
    TnConfig back = parsed(c.convert().value());
    EXPECT_EQ(labels(back), labels(c));
    EXPECT_EQ(back.matchsubset(c) && c.matchsubset(back), 1);
}

TEST(ConfigTemplate, Layout) {
    TnConfig c = parsed("port = 5\nname = \"two words\"\nextra = x\nmulti = {a\nb}\n");
    EXPECT_EQ(str(c.usetemplate("# header comment\n"
                                "\n"
                                "#port = 1\n"
                                "port = 2\n"
                                "unknown = 3\n"
                                "#commented = 4\n"
                                "name.sub = 5\n"
                                "  name = 6\n"
                                "plain text line\n"
                                "# these are not included in the template\n"
                                "multi = {old\nvalue}\n")),
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
    EXPECT_EQ(str(parsed("port = 7").usetemplate("")), "# these are not included in the template\nport = 7\n\n");
}

TEST(ConfigTemplate, RoundTrips) {
    TnConfig c = parsed("a = 1\nb = \"x y\"\nc = {p\nq}\n");
    EXPECT_EQ(str(c.usetemplate(c.convert())), str(c.convert()));

    TnString first = c.usetemplate("# top\n\n[section]\nb = old\n\n#z = unused\n");
    TnConfig reread = parsed(first.value());
    EXPECT_EQ(reread.matchsubset(c) && c.matchsubset(reread), 1);
    EXPECT_FALSE(reread.exists("z"));
    // The result as the next template settles: the trailer goes, the options stay.
    TnString second = c.usetemplate(first);
    EXPECT_EQ(str(c.usetemplate(second)), str(second));
    EXPECT_EQ(str(second).find("not included"), std::string::npos);
    EXPECT_EQ(labels(parsed(second.value())), (Names{"b", "a", "c"}));
}

TEST(ConfigFiles, BlocksMissingFilesAndTemplates) {
    support::TempDir dir;
    // One block, a block and two bytes, two blocks: all read whole.
    for (size_t size : {size_t(1024), size_t(1026), size_t(2048), size_t(5000)}) {
        support::writeFile(dir.file("c"), "k = " + std::string(size - 5, 'v') + "\n");
        EXPECT_EQ(opt(TnConfig(dir.file("c").c_str()), "k").size(), size - 5) << size;
    }
    TnConfig missing = parsed("kept = 1");
    EXPECT_EQ(missing.load(dir.file("nope").c_str()), 0);
    EXPECT_FALSE(missing.valid());
    EXPECT_EQ(opt(missing, "kept"), "1");
    EXPECT_EQ(missing.load(dir.path().c_str()), 0);  // a directory is no file

    support::writeFile(dir.file("t"), "# a\na = 1\n");
    EXPECT_EQ(str(parsed("a = 2").loadtemplate(dir.file("t").c_str())), "# a\na = 2\n");

    tn_debug_filename(dir.file("debug.log").c_str(), 0);
    parsed("a = 1\nb = two\n").display();
    tn_debug_filename("", 0);
    EXPECT_EQ(support::readFile(dir.file("debug.log")), "items: 2\n0: a=1\n1: b=two\n");
}

TEST(ConfigRecord, AddressLabelsAndCopies) {
    TnConfig c = parsed("a = 1\nb = {x\ny}\n");
    EXPECT_TRUE(c.address().blank());
    c.name("node01");
    c.address(TnAddress(TnString("10.0.0.5")));
    c.pack();
    TnConfig d;
    ASSERT_EQ(d.unpack(c.packContents(), c.packSize()), 0);
    EXPECT_EQ(str(d.address().stringvalue()), "10.0.0.5");
    EXPECT_EQ(labels(d), (Names{"a", "b"}));
    EXPECT_EQ(opt(d, "b"), "x\ny");

    c.packXML();
    std::string xml = std::string("<pack>") + c.packContents() + "</pack>";
    EXPECT_LT(xml.find("<address>"), xml.find("<optionlist>"));
    EXPECT_LT(xml.find("<optionlist>"), xml.find("<options>"));
    EXPECT_LT(xml.find("<options>"), xml.find("<name>"));

    // Options that arrive without labels: a copy lists them by name.
    size_t from = xml.find("<optionlist>");
    xml.erase(from, xml.find("</optionlist>") + strlen("</optionlist>") - from);
    TnConfig nolabels;
    ASSERT_EQ(nolabels.unpackXML(xml.data(), static_cast<int>(xml.size())), 0);
    EXPECT_EQ(nolabels.length(), 0);
    Names names = labels(TnConfig(nolabels));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"a", "b"}));

    TnConfig assigned = parsed("stale = 1");
    assigned = c;
    EXPECT_EQ(labels(assigned), labels(c));
    EXPECT_EQ(str(assigned.address().stringvalue()), "10.0.0.5");

    EXPECT_EQ(TnConfigList().type(), TnConfigHash().type());
    EXPECT_EQ(str(TnConfigList().typeXML()), str(TnConfigHash().typeXML()));
}
