#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/TnConfigFile.h"
#include "diag/TnDebug.h"
#include "support/Support.h"

namespace {

using Names = std::vector<std::string>;

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

Names strings(const TnStringList& l) {
    Names out;
    for (int i = 0; i < l.length(); ++i) out.push_back(str(*l.get(i)));
    return out;
}

Names sections(const TnConfigFile& f) {
    TnStringList k;
    f.keys(k);
    return strings(k);
}

// The option of a section, or "<none>" when the section does not exist.
std::string opt(const TnConfigFile& f, const char* section, const char* key) {
    const TnConfig* c = f.config(section);
    return c ? str(c->option(key)) : "<none>";
}

// Several options of one section, joined by "|".
std::string opts(const TnConfigFile& f, const char* section, std::initializer_list<const char*> keys) {
    std::string out;
    const char* sep = "";
    for (const char* k : keys) {
        out += sep + opt(f, section, k);
        sep = "|";
    }
    return out;
}

TnConfigFile parsed(const std::string& text, unsigned char fold = 0) {
    TnConfigFile f("", fold);
    f.parse(TnString(text.data(), static_cast<int>(text.size())));
    return f;
}

}  // namespace

TEST(ConfigFileTokens, StatementsAndValues) {
    TnStringList t;
    TnConfigFile::tokenize("a.b = \"x \\\"y\\\" \\\\ z\" w # c\n[h]: p\r{b r\\} s}\\\x01\"open\nnext", t);
    EXPECT_EQ(strings(t), (Names{"a", ".", "b", "=", "\"", "x \"y\" \\ z", "\"", "w", "\n", "[", "h", "]", ":", "p",
                                 "\r", "{b r} s}", "\\", "\"", "open", "\"", "\n", "next"}));
    t.clear();
    TnConfigFile::stringtokenize("$self.x  ${this}\\a\rb", t);
    EXPECT_EQ(strings(t), (Names{"$", "self", ".", "x", "  ", "$", "{", "this", "}", "\\", "a\rb"}));
    EXPECT_EQ(str(TnConfigFile::_localvalue("/log/$self ${this.port} self $ self $selfish $self/x", "n1")),
              "/log/$n1 ${n1.port} self $ self $selfish $self/x");
}

TEST(ConfigFileStatements, SectionsKeysAndValues) {
    TnConfigFile f = parsed(
        "port = 50011   # comment\n"
        "words = several words here\n"
        "quoted = \"kept  spaces\" ignored tail\n"
        "\"a key\" = v\n"
        "path = C:\\dir\n"
        "[node]\n"
        "port = 1\n"
        "[other] x = 2\n"
        "node.extra = 3\n"
        "fresh.k = 4\n");
    EXPECT_EQ(sections(f), (Names{"default", "node", "other", "fresh"}));
    EXPECT_EQ(opts(f, "default", {"words", "quoted", "a key", "path"}), "severalwordshere|kept  spaces|v|C:\\dir");
    EXPECT_EQ(opts(f, "node", {"port", "extra"}), "1|3");  // section.key goes to that section alone
    EXPECT_FALSE(f.config("other")->exists("extra"));
    EXPECT_EQ(opt(f, "fresh", "k"), "4");

    for (const char* bad : {"= 2", "no equals", "[unclosed", "x: y", "k.", "{braced} = 2"}) {
        TnConfigFile g = parsed(std::string("a = 1\n") + bad + "\nb = 3\n");
        EXPECT_EQ(opt(g, "default", "a"), "1") << bad;
        EXPECT_EQ(opt(g, "default", "b"), "") << bad;
    }

    TnConfigFile direct;
    direct.default_section_name("direct");
    direct.parse("a = 1\n");
    EXPECT_EQ(sections(direct), (Names{"direct"}));
    TnConfigFile folded = parsed("[Base]\nKey = V\n[NODE]: BASE\n", 1);
    EXPECT_EQ(sections(folded), (Names{"base", "node"}));
    EXPECT_EQ(opt(folded, "node", "Key"), "V");  // keys and values keep their case
}

TEST(ConfigFileParents, ValuesOfTheMomentAndMissingParents) {
    testing::internal::CaptureStderr();
    TnConfigFile f = parsed(
        "[base]\n"
        "a = 1\n"
        "b = 2\n"
        "[site.example]\n"
        "c = 3\n"
        "[node]: base site.example ghost\n"
        "b = own\n"
        "[base]\n"
        "a = changed\n"
        "[base]: base node\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WARNING: node missing parent ghost... skipping.\n");
    EXPECT_EQ(opts(f, "node", {"a", "b", "c"}), "1|own|3");
    // A section may name itself; another parent then lays its values on top.
    EXPECT_EQ(opts(f, "base", {"a", "b"}), "1|own");
}

TEST(ConfigFileReferences, Forms) {
    TnConfigFile f = parsed(
        "port = 50011\n"
        "[node1]\n"
        "master = ${default.port}\n"
        "bare = $default.port/x\n"
        "node1 = hit\n"
        "named = $self\n"
        "me = $_ ${_}\n"
        "other = ${default._}\n"
        "port = 7\n"
        "mine = ${self.port}-$port-$nosuch\n"
        "gone = [${nosuch.port}]\n"
        "plain = \"$ and $$ x\"\n"
        "text = $file.txt\n"
        "open = ${unclosed\n"
        "after = 1\n");
    // "$self" becomes "$node1", which the reference pass reads as the option named node1.
    EXPECT_EQ(opts(f, "node1", {"master", "bare", "named", "me", "other", "mine", "gone", "plain", "text"}),
              "50011|50011/x|hit|node1node1|default|7-7-|[]|$ and $$ x|");
    // A brace runs to the next closing brace, across lines.
    EXPECT_EQ(opt(f, "node1", "open"), "${unclosed\nafter = 1\n");
}

TEST(ConfigFileReferences, OrderChainsAndLoops) {
    // Sections expand last-created first, options in label order; a reference within the
    // section takes the value as it stands, unexpanded.
    TnConfigFile f = parsed(
        "[s]\n"
        "p = $q\n"
        "q = ${t.r}\n"
        "[t] r = R\n"
        "[a] x = ${b.x}\n"
        "[b] x = ${c.x}\n"
        "[c] x = end\n"
        "[loop1] x = <${loop2.x}>\n"
        "[loop2] x = <${loop1.x}>\n");
    EXPECT_EQ(opts(f, "s", {"p", "q"}), "${t.r}|R");
    EXPECT_EQ(opt(f, "a", "x"), "end");
    std::string loop = opt(f, "loop1", "x");
    EXPECT_EQ(loop.substr(0, 2), "<<");
    EXPECT_EQ(loop.find('$'), std::string::npos);
}

TEST(ConfigFileRanges, HeadersNameManyHosts) {
    TnConfigFile f = parsed(
        "port = 50011\n"
        "[node[01-03]]: default\n"
        "dir = /log/$_\n"
        "log = $self.dir/x\n"
        "bare = /log/$self\n"
        "up = ${default.port}\n"
        "[a[1-2].farm,b]\n"
        "k = v\n");
    EXPECT_EQ(sections(f), (Names{"default", "node01", "node02", "node03", "a1.farm", "a2.farm", "b"}));
    for (const char* n : {"node01", "node02", "node03"}) {
        EXPECT_EQ(opts(f, n, {"log", "bare", "up"}), std::string("/log/") + n + "/x|/log/|50011");
    }
    EXPECT_EQ(opt(f, "a2.farm", "k"), "v");
    // Numbers outside brackets name one host; a header naming too many ends reading.
    EXPECT_EQ(opt(parsed("[srv-50000]\nk = v\n"), "srv-50000", "k"), "v");
    TnConfigFile g = parsed("a = 1\n[n[1-100000000]]\nk = v\nb = 2\n");
    EXPECT_EQ(sections(g), (Names{"default"}));
    EXPECT_EQ(opt(g, "default", "b"), "");
}

TEST(ConfigFileBounds, HostileReferencesSectionsAndStores) {
    // Each value doubles the one before: 2^40 copies unless the expansion is bounded.
    std::string text = "[s0]\nx = abcdefghij\n";
    for (int i = 1; i <= 40; ++i) {
        std::string prev = "${s" + std::to_string(i - 1) + ".x}";
        text += "[s" + std::to_string(i) + "]\nx = " + prev + prev + "\n";
    }
    TnConfigFile f = parsed(text);
    EXPECT_LE(f.config("s40")->option("x").length(), TnConfigFile::kMaxValueBytes);
    EXPECT_EQ(opt(f, "s3", "x"), "");  // the budget went to the deeper chains first
    EXPECT_EQ(opt(parsed(text.substr(0, text.find("[s4]"))), "s3", "x").size(), 80u);

    std::string many;
    for (int i = 0; i < TnConfigFile::kMaxSections + 10; ++i) many += "[h" + std::to_string(i) + "] k = v\n";
    EXPECT_EQ(parsed(many).length(), TnConfigFile::kMaxSections);

    std::string wide = "[p]\n";
    for (int i = 0; i < 100; ++i) wide += "o" + std::to_string(i) + " = v\n";
    for (int i = 0; i < 3000; ++i) wide += "[c" + std::to_string(i) + "]: p\n";
    TnConfigFile w = parsed(wide);
    EXPECT_LT(w.length(), 3001);
    EXPECT_EQ(opt(w, "c0", "o99"), "v");
}

TEST(ConfigFileAccess, ExportReleaseFilesAndDisplay) {
    TnConfigFile f = parsed("a = 1\n[x]\nb = 2\n");
    TnConfigHash copy = f.export_hash();
    copy.get("x")->option("b", "changed");
    EXPECT_EQ(opt(f, "x", "b"), "2");
    // After release() the sections are the caller's.
    TnConfig* kept = f.config("x");
    TnConfig* other = f.config("default");
    f.release();
    EXPECT_EQ(f.config("x"), nullptr);
    EXPECT_EQ(str(kept->option("b")), "2");
    delete kept;
    delete other;

    support::TempDir dir;
    support::writeFile(dir.file("w.conf"), "[Worker]\nport = 9\n");
    TnConfigFile g(dir.file("w.conf").c_str(), 1);
    EXPECT_EQ(opt(g, "worker", "port"), "9");
    EXPECT_EQ(TnConfigFile(dir.file("none").c_str(), 0).length(), 0);

    tn_debug_filename(dir.file("debug.log").c_str(), 0);
    g.display();
    tn_debug_filename("", 0);
    EXPECT_EQ(support::readFile(dir.file("debug.log")), "section: worker\nitems: 1\n0: port=9\n");
}
