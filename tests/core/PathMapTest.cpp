#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/TnPath.h"
#include "core/TnPathMap.h"
#include "support/Support.h"

namespace {

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

std::vector<std::string> froms(const TnPathMap& m) {
    std::vector<std::string> out;
    for (int i = 0; i < m.directmap_keys().length(); ++i) out.push_back(str(*m.directmap_keys().get(i)));
    return out;
}

std::string to(const TnPathMap& m, const char* from) {
    const TnString* t = m.directmap().get(from);
    return t ? str(*t) : "<none>";
}

}  // namespace

TEST(PathMap, TranslateInOrderAsPlainText) {
    TnPathMap m;
    EXPECT_TRUE(m.is_empty());
    EXPECT_FALSE(m.valid());
    m.addToDirectMap("/mnt/proj", "P:");
    EXPECT_TRUE(m.valid());

    TnPath p(TnString("/mnt/proj/shot1/a.exr"));
    EXPECT_EQ(p.pathtype(), TnPath::kUnix);
    EXPECT_EQ(str(p.translate(m)), "P:/shot1/a.exr");
    EXPECT_EQ(p.pathtype(), TnPath::kDos);
    EXPECT_EQ(p.components().length(), 3);

    // Not a prefix test: a match in the middle is replaced too, every occurrence, and the
    // case must agree.
    EXPECT_EQ(str(m.translate("/home/mnt/proj/x:/mnt/proj/y")), "/homeP:/x:P:/y");
    EXPECT_EQ(str(m.translate("/MNT/proj/x")), "/MNT/proj/x");

    // A later entry works on what the earlier ones made of the path.
    m.addToDirectMap("P:", "//server/share");
    EXPECT_EQ(str(m.translate("/mnt/proj/a")), "//server/share/a");
    TnPathMap reversed;
    reversed.addToDirectMap("P:", "//server/share");
    reversed.addToDirectMap("/mnt/proj", "P:");
    EXPECT_EQ(str(reversed.translate("/mnt/proj/a")), "P:/a");

    // Setting a mapping again keeps its place.
    m.addToDirectMap("/mnt/proj", "Q:");
    EXPECT_EQ(froms(m), (std::vector<std::string>{"/mnt/proj", "P:"}));
    EXPECT_EQ(str(m.translate("/mnt/proj/a")), "Q:/a");
    EXPECT_EQ(str(TnPathMap().translate("/a")), "/a");
}

TEST(PathMap, ReadAndWriteText) {
    TnPathMap m;
    m.parse(
        "/mnt/proj = P:\n"
        "\"C:\\\\work\" = /home/work\n"
        "[other]\n"
        "/ignored = x\n"
        "[direct]\n"
        "/opt = /srv\n");
    EXPECT_EQ(froms(m), (std::vector<std::string>{"/mnt/proj", "C:\\work", "/opt"}));
    EXPECT_EQ(to(m, "/mnt/proj"), "P:");
    EXPECT_EQ(to(m, "/opt"), "/srv");
    EXPECT_EQ(str(m.convert()), "[direct]\n/mnt/proj=P:\nC:\\work=/home/work\n/opt=/srv\n");
    // Parsing adds to what is held.
    m.revert("/opt = /else\n/new = /n\n");
    EXPECT_EQ(froms(m), (std::vector<std::string>{"/mnt/proj", "C:\\work", "/opt", "/new"}));
    EXPECT_EQ(to(m, "/opt"), "/else");

    // Written back and read again: from sides without ':' or '.' survive, unquoted words join.
    TnPathMap simple;
    simple.addToDirectMap("/a/b", "X:\\b");
    simple.addToDirectMap("/c", "/d e");
    TnPathMap back;
    back.parse(simple.convert());
    EXPECT_EQ(froms(back), froms(simple));
    EXPECT_EQ(to(back, "/a/b"), "X:\\b");
    EXPECT_EQ(to(back, "/c"), "/de");
}

TEST(PathMap, FilesAndFieldOrder) {
    support::TempDir dir;
    support::writeFile(dir.file("map"), "/before = header\n[direct]\n/mnt/proj = P:\n/b = /c\n");
    TnPathMap m(dir.file("map").c_str());
    // In a file, lines before any header belong to the default section.
    EXPECT_EQ(froms(m), (std::vector<std::string>{"/mnt/proj", "/b"}));
    EXPECT_EQ(TnPathMap().load(dir.file("missing").c_str()), 0);

    m.packXML();
    std::string xml = m.packContents();
    EXPECT_LT(xml.find("<direct_map>"), xml.find("<direct_list>"));
}
