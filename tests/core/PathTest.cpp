#include <gtest/gtest.h>

#include "core/TnPath.h"

TEST(Path, KindsByForm) {
    struct {
        const char* path;
        const char* kind;
        bool full;
    } cases[] = {
        {"\\\\host\\share", "unc", true}, {"\\\\h", "unc", true},
        {"\\\\", "dos", false},  // too short for a share
        {"C:\\dir", "dos", true},         {"C:/dir", "dos", true},    {"dir\\file", "dos", false},
        {"/usr", "unix", true},           {"host:/export", "nfs", true},
        {"C:", "nfs", true},  // no slash after the colon: host:path
        {"dir/file", "unknown", false},   {"a/b:c", "unknown", false}, {"ab", "unknown", false},
        {"", "unknown", false},
    };
    for (const auto& c : cases) {
        TnPath p{TnString(c.path)};
        EXPECT_EQ(p.pathtypestring(), TnString(c.kind)) << c.path;
        EXPECT_EQ(p.pathtype(), TnPath::analyse(c.path)) << c.path;
        EXPECT_EQ(p.isFullPath(), c.full) << c.path;
    }

    TnPath rel(TnString("shot/a.exr"));
    rel.root("/mnt/proj");
    EXPECT_EQ(rel.value(), TnString("/mnt/proj/shot/a.exr"));
    EXPECT_EQ(rel.pathtype(), TnPath::kUnix);
    EXPECT_EQ(rel.components().length(), 4);
    rel.root("/other");  // already full
    EXPECT_EQ(rel.value(), TnString("/mnt/proj/shot/a.exr"));
    TnPath top(TnString("a"));
    top.root("/");
    EXPECT_EQ(top.value(), TnString("/a"));
    top.value("b");
    top.root("");
    EXPECT_EQ(top.value(), TnString("b"));
}

TEST(Path, SplitChompMatch) {
    TnStringList list;
    list.push(new TnString("stale"));
    EXPECT_EQ(TnPath::split("\\\\host\\share/dir//file\\", list), 4);
    EXPECT_EQ(list.join(","), TnString("host,share,dir,file"));
    EXPECT_EQ(TnPath::split("///\\", list), 0);
    EXPECT_EQ(TnPath::normalize("\\\\h\\s/f"), TnString("//h/s/f"));

    struct {
        const char* path;
        int n;
        const char* want;
    } chomps[] = {
        {"/a/b/c/", 1, "/a/b/"}, {"a", 1, "/"},          {"/a/b/c", 2, "/a/"},  {"/a/b/c", 9, "/"},
        {"/a//b//", 1, "/a/"},   {"/", 1, "/"},          {"", 1, "/"},          {"C:\\dir\\file", 1, "C:\\dir/"},
        {"a/b", 1, "a/"},        {"/a/b", 0, "/a/b/"},   {"/a/b/", -3, "/a/b/"},
    };
    for (const auto& c : chomps) EXPECT_EQ(TnPath::chomp(c.path, c.n), TnString(c.want)) << c.path << " " << c.n;

    EXPECT_EQ(TnPath::match("/a/b", "/a/b/c"), 2);
    EXPECT_EQ(TnPath::match("/a/x", "/a/b/c"), 1);  // equal positions are counted, not a prefix
    EXPECT_EQ(TnPath::match("/a/b/c", "/a/b"), 0);  // longer than the path
    EXPECT_EQ(TnPath::match("\\\\srv\\share", "//srv/share/x"), 2);
    EXPECT_EQ(TnPath::match("/A", "/a"), 0);
}

TEST(Path, StripKeepsWhatFollowsTheWholePrefix) {
    TnPath p(TnString("/mnt/proj/shot1/a.exr"));
    EXPECT_EQ(p.strip("/mnt/proj", TnPath::kUnix), 1);
    EXPECT_EQ(p.value(), TnString("/shot1/a.exr"));

    TnPath d(TnString("//srv/proj/shot1/a.exr"));
    EXPECT_EQ(d.strip("\\\\srv\\proj\\", TnPath::kDos), 1);
    EXPECT_EQ(d.value(), TnString("\\shot1\\a.exr"));
    EXPECT_EQ(d.pathtype(), TnPath::kDos);

    TnPath whole(TnString("/mnt/proj"));
    EXPECT_EQ(whole.strip("/mnt/proj", TnPath::kUnix), 1);
    EXPECT_EQ(whole.value(), TnString(""));

    for (const char* prefix : {"/mnt/other", "/other/proj", "/mnt/proj/shot1/a.exr/more"}) {
        TnPath q(TnString("/mnt/proj/shot1/a.exr"));
        EXPECT_EQ(q.strip(prefix, TnPath::kUnix), 0) << prefix;
        EXPECT_EQ(q.value(), TnString("/mnt/proj/shot1/a.exr")) << prefix;
    }
}
