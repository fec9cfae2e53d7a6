#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "config/TnConfigFile.h"
#include "diag/TnDebug.h"
#include "support/Support.h"

namespace {

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

std::vector<std::string> strings(const TnStringList& l) {
    std::vector<std::string> out;
    for (int i = 0; i < l.length(); ++i) out.push_back(str(*l.get(i)));
    return out;
}

std::vector<std::string> sections(const TnConfigFile& f) {
    TnStringList k;
    f.keys(k);
    return strings(k);
}

// The option of a section, or "<none>" when the section does not exist.
std::string opt(const TnConfigFile& f, const char* section, const char* key) {
    const TnConfig* c = f.config(section);
    return c ? str(c->option(key)) : "<none>";
}

TnConfigFile parsed(const std::string& text, unsigned char fold = 0) {
    TnConfigFile f;
    if (fold) f = TnConfigFile("/nonexistent/tn/file", fold);
    f.parse(TnString(text.data(), static_cast<int>(text.size())));
    return f;
}

}  // namespace

TEST(ConfigFileTokens, Statements) {
    TnStringList t;
    TnConfigFile::tokenize("a.b = \"x \\\"y\\\" \\\\ z\" w # c\n[h]: p\r{b r\\} s}\\", t);
    EXPECT_EQ(strings(t), (std::vector<std::string>{"a", ".", "b", "=", "\"", "x \"y\" \\ z", "\"", "w", "\n", "[",
                                                    "h", "]", ":", "p", "\r", "{b r} s}", "\\"}));
    t.clear();
    // Control bytes vanish (and join what they separated); a quote ends at the line's end.
    TnConfigFile::tokenize("ab\x01\x7f" "cd \"open\nnext", t);
    EXPECT_EQ(strings(t), (std::vector<std::string>{"abcd", "\"", "open", "\"", "\n", "next"}));
    t.clear();
    TnConfigFile::tokenize("{never closed", t);
    EXPECT_EQ(strings(t), (std::vector<std::string>{"{never closed"}));
    t.clear();
    TnConfigFile::tokenize("\"\"", t);
    EXPECT_EQ(strings(t), (std::vector<std::string>{"\"", "", "\""}));
}

TEST(ConfigFileTokens, ValuesAndLocalNames) {
    TnStringList t;
    TnConfigFile::stringtokenize("$self.x  ${this}\\a\rb", t);
    EXPECT_EQ(strings(t), (std::vector<std::string>{"$", "self", ".", "x", "  ", "$", "{", "this", "}", "\\", "a\rb"}));
    EXPECT_EQ(str(TnConfigFile::_localvalue("/log/$self ${this.port} self $ self $selfish $self/x", "n1")),
              "/log/$n1 ${n1.port} self $ self $selfish $self/x");
    EXPECT_EQ(str(TnConfigFile::_localvalue("no dollar self", "n1")), "no dollar self");
}

TEST(ConfigFileStatements, DefaultSectionHeadersAndValues) {
    TnConfigFile f = parsed(
        "port = 50011   # comment\n"
        "words = several words here\n"
        "quoted = \"kept  spaces\" ignored tail\n"
        "\"a key\" = v\n"
        "empty =\n"
        "path = C:\\dir\n"
        "[node]\n"
        "port = 1\n"
        "[other] x = 2\n"
        "node.extra = 3\n"
        "fresh.k = 4\n");
    EXPECT_EQ(sections(f), (std::vector<std::string>{"default", "node", "other", "fresh"}));
    EXPECT_EQ(opt(f, "default", "port"), "50011");
    EXPECT_EQ(opt(f, "default", "words"), "severalwordshere");
    EXPECT_EQ(opt(f, "default", "quoted"), "kept  spaces");
    EXPECT_EQ(opt(f, "default", "a key"), "v");
    EXPECT_TRUE(f.config("default")->exists("empty"));
    EXPECT_EQ(opt(f, "default", "path"), "C:\\dir");
    EXPECT_EQ(opt(f, "node", "port"), "1");
    EXPECT_EQ(opt(f, "other", "x"), "2");
    // section.key goes to that section alone.
    EXPECT_EQ(opt(f, "node", "extra"), "3");
    EXPECT_FALSE(f.config("other")->exists("extra"));
    EXPECT_EQ(opt(f, "fresh", "k"), "4");
    EXPECT_EQ(str(f.config("node")->name()), "node");
    EXPECT_EQ(f.type(), 80);
}

TEST(ConfigFileStatements, MalformedStatementEndsReading) {
    const char* cases[] = {
        "a = 1\n= 2\nb = 3\n",
        "a = 1\nno equals\nb = 3\n",
        "a = 1\n[unclosed\nb = 3\n",
        "a = 1\nx: y\nb = 3\n",
        "a = 1\nk.\nb = 3\n",
        "a = 1\n{braced} = 2\nb = 3\n",
    };
    for (const char* text : cases) {
        TnConfigFile f = parsed(text);
        EXPECT_EQ(opt(f, "default", "a"), "1") << text;
        EXPECT_EQ(opt(f, "default", "b"), "") << text;
    }
    EXPECT_EQ(parsed("").length(), 0);
    EXPECT_EQ(parsed("\n\r\n# only comments\n").length(), 0);
}

TEST(ConfigFileStatements, DefaultSectionNameAndCaseFolding) {
    TnConfigFile f;
    EXPECT_EQ(str(f.default_section_name()), "default");
    f.default_section_name("direct");
    f.parse("a = 1\n");
    EXPECT_EQ(opt(f, "direct", "a"), "1");

    TnConfigFile g = parsed("[Base]\nKey = V\n[NODE]: BASE\n", 1);
    EXPECT_EQ(g.casefold(), 1);
    EXPECT_EQ(sections(g), (std::vector<std::string>{"base", "node"}));
    EXPECT_EQ(opt(g, "node", "Key"), "V");  // keys and values keep their case

    TnConfigFile h = parsed("[Base]\n");
    EXPECT_EQ(sections(h), (std::vector<std::string>{"Base"}));
}

TEST(ConfigFileParents, InheritValuesOfTheMoment) {
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
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "WARNING: node missing parent ghost... skipping.\n");
    EXPECT_EQ(opt(f, "node", "a"), "1");
    EXPECT_EQ(opt(f, "node", "b"), "own");
    EXPECT_EQ(opt(f, "node", "c"), "3");
    // A section may name itself; it then takes what another parent gives on top.
    EXPECT_EQ(opt(f, "base", "a"), "1");
    EXPECT_EQ(opt(f, "base", "b"), "own");
    EXPECT_EQ(opt(f, "base", "c"), "3");
}

TEST(ConfigFileReferences, SelfDefaultsAndSections) {
    TnConfigFile f = parsed(
        "port = 50011\n"
        "log = /var/log\n"
        "[node1]\n"
        "master = ${default.port}\n"
        "bare = $default.port/x\n"
        "dir = $log/$self\n"
        "node1 = hit\n"
        "named = $self\n"
        "me = $_ ${_}\n"
        "other = ${default._}\n"
        "own = ${self.dir}\n"
        "port = 7\n"
        "mine = ${self.port}-$port\n"
        "gone = [${nosuch.port}]\n"
        "plain = \"$ and $$ x\"\n"
        "text = $file.txt\n"
        "open = ${unclosed\n"
        "after = 1\n");
    EXPECT_EQ(opt(f, "node1", "master"), "50011");
    EXPECT_EQ(opt(f, "node1", "bare"), "50011/x");
    // $log names an option of the section itself, which has none; "$self" becomes "$node1",
    // which the reference pass reads as the option named node1.
    EXPECT_EQ(opt(f, "node1", "dir"), "/hit");
    EXPECT_EQ(opt(f, "node1", "named"), "hit");
    EXPECT_EQ(opt(f, "node1", "me"), "node1node1");
    EXPECT_EQ(opt(f, "node1", "other"), "default");
    EXPECT_EQ(opt(f, "node1", "own"), "/hit");
    EXPECT_EQ(opt(f, "node1", "mine"), "7-7");
    EXPECT_EQ(opt(f, "node1", "gone"), "[]");
    EXPECT_EQ(opt(f, "node1", "plain"), "$ and $$ x");
    EXPECT_EQ(opt(f, "node1", "text"), "");
    // A brace runs to the next closing brace, across lines.
    EXPECT_EQ(opt(f, "node1", "open"), "${unclosed\nafter = 1\n");
    EXPECT_FALSE(f.config("node1")->exists("after"));
}

TEST(ConfigFileReferences, OrderChainsAndLoops) {
    // Sections expand last-created first, options in label order; a reference within the
    // section takes the value as it stands, unexpanded.
    TnConfigFile f = parsed(
        "[s]\n"
        "p = $q\n"
        "q = ${t.r}\n"
        "[t]\n"
        "r = R\n"
        "[a] x = ${b.x}\n"
        "[b] x = ${c.x}\n"
        "[c] x = end\n"
        "[loop1] x = <${loop2.x}>\n"
        "[loop2] x = <${loop1.x}>\n");
    EXPECT_EQ(opt(f, "s", "p"), "${t.r}");
    EXPECT_EQ(opt(f, "s", "q"), "R");
    EXPECT_EQ(opt(f, "a", "x"), "end");
    std::string loop = opt(f, "loop1", "x");
    EXPECT_EQ(loop.substr(0, 2), "<<");
    EXPECT_EQ(loop.find('$'), std::string::npos);
}

TEST(ConfigFileBounds, HostileReferencesAndSections) {
    // Each value doubles the one before: 2^40 copies unless the expansion is bounded.
    std::string text = "[s0]\nx = abcdefghij\n";
    for (int i = 1; i <= 40; ++i)
        text += "[s" + std::to_string(i) + "]\nx = ${s" + std::to_string(i - 1) + ".x}${s" + std::to_string(i - 1) +
                ".x}\n";
    auto start = std::chrono::steady_clock::now();
    TnConfigFile f = parsed(text);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_LE(f.config("s40")->option("x").length(), TnConfigFile::kMaxValueBytes);
    // Chains deeper than the nesting bound, and references after the budget is spent, give
    // nothing.
    EXPECT_EQ(opt(f, "s3", "x"), "");
    // Within the budget the same shape expands in full.
    std::string small = text.substr(0, text.find("[s4]"));
    std::string want;
    for (int i = 0; i < 8; ++i) want += "abcdefghij";
    EXPECT_EQ(opt(parsed(small), "s3", "x"), want);

    std::string many;
    for (int i = 0; i < TnConfigFile::kMaxSections + 10; ++i) many += "[h" + std::to_string(i) + "] k = v\n";
    TnConfigFile g = parsed(many);
    EXPECT_EQ(g.length(), TnConfigFile::kMaxSections);
    EXPECT_EQ(opt(g, "h4095", "k"), "v");

    // Parents copied into ever more sections: the number of stores is bounded too.
    std::string wide = "[p]\n";
    for (int i = 0; i < 100; ++i) wide += "o" + std::to_string(i) + " = v\n";
    for (int i = 0; i < 3000; ++i) wide += "[c" + std::to_string(i) + "]: p\n";
    TnConfigFile w = parsed(wide);
    EXPECT_LT(w.length(), 3001);
    EXPECT_GT(w.length(), 2000);
    EXPECT_EQ(opt(w, "c0", "o99"), "v");
}

TEST(ConfigFileAccess, KeysExportReleaseAndFiles) {
    TnConfigFile f = parsed("a = 1\n[x]\nb = 2\n");
    TnStringList k;
    k.push(new TnString("stale"));
    f.keys(k);
    EXPECT_EQ(strings(k), (std::vector<std::string>{"default", "x"}));

    TnConfigHash copy = f.export_hash();
    ASSERT_TRUE(copy.get("x"));
    copy.get("x")->option("b", "changed");
    EXPECT_EQ(opt(f, "x", "b"), "2");

    // After release() the sections are the caller's.
    TnConfig* kept = f.config("x");
    TnConfig* other = f.config("default");
    f.release();
    EXPECT_EQ(f.length(), 0);
    EXPECT_EQ(f.config("x"), nullptr);
    EXPECT_EQ(str(kept->option("b")), "2");
    delete kept;
    delete other;

    support::TempDir dir;
    support::writeFile(dir.file("w.conf"), "[Worker]\nport = 9\n");
    TnConfigFile g(dir.file("w.conf").c_str(), 1);
    EXPECT_EQ(opt(g, "worker", "port"), "9");
    TnConfigFile missing(dir.file("none").c_str(), 0);
    EXPECT_EQ(missing.length(), 0);
    EXPECT_EQ(missing.load(dir.file("none").c_str()), 0);

    std::string log = dir.file("debug.log");
    tn_debug_filename(log.c_str(), 0);
    g.display();
    tn_debug_filename("", 0);
    EXPECT_EQ(support::readFile(log), "section: worker\nitems: 1\n0: port=9\n");
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
    EXPECT_EQ(sections(f), (std::vector<std::string>{"default", "node01", "node02", "node03", "a1.farm", "a2.farm",
                                                     "b"}));
    for (const char* n : {"node01", "node02", "node03"}) {
        EXPECT_EQ(opt(f, n, "log"), std::string("/log/") + n + "/x");
        // "$self" becomes "$node01", a reference to the option named node01, which is empty.
        EXPECT_EQ(opt(f, n, "bare"), "/log/");
        EXPECT_EQ(opt(f, n, "up"), "50011");
        EXPECT_EQ(opt(f, n, "port"), "50011");
    }
    EXPECT_EQ(opt(f, "b", "k"), "v");
    EXPECT_EQ(opt(f, "a2.farm", "k"), "v");

    // A header that would name more hosts than a file may hold ends reading.
    TnConfigFile g = parsed("a = 1\n[n[1-100000000]]\nk = v\nb = 2\n");
    EXPECT_EQ(sections(g), (std::vector<std::string>{"default"}));
    EXPECT_EQ(opt(g, "default", "b"), "");
    // Numbers outside the brackets name one host each.
    TnConfigFile h = parsed("[srv-50000]\nk = v\n");
    EXPECT_EQ(opt(h, "srv-50000", "k"), "v");
}
