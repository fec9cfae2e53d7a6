#include <gtest/gtest.h>

#include <vector>

#include "core/TnPath.h"

TEST(PathAnalyse, KindsByForm) {
    struct Case {
        const char* path;
        int kind;
        const char* word;
        bool full;
    };
    std::vector<Case> cases = {
        {"\\\\host\\share", 1, "unc", true},
        {"\\\\h", 1, "unc", true},
        {"\\\\", 2, "dos", false},  // too short for a share
        {"C:\\dir", 2, "dos", true},
        {"C:/dir", 2, "dos", true},
        {"dir\\file", 2, "dos", false},
        {"/usr", 3, "unix", true},
        {"/", 3, "unix", true},
        {"host:/export", 4, "nfs", true},
        {"C:", 4, "nfs", true},  // no slash after the colon: host:path
        {"1:/x", 4, "nfs", true},
        {"dir/file", 0, "unknown", false},
        {"a/b:c", 0, "unknown", false},
        {"ab", 0, "unknown", false},
        {"", 0, "unknown", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TnPath::analyse(c.path), c.kind) << c.path;
        TnPath p{TnString(c.path)};
        EXPECT_EQ(p.pathtype(), c.kind) << c.path;
        EXPECT_EQ(p.pathtypestring(), TnString(c.word)) << c.path;
        EXPECT_EQ(p.isFullPath(), c.full) << c.path;
    }
}

TEST(PathRoot, RelativePathsGoUnderTheDirectory) {
    TnPath p(TnString("shot/a.exr"));
    p.root("/mnt/proj");
    EXPECT_EQ(p.value(), TnString("/mnt/proj/shot/a.exr"));
    EXPECT_EQ(p.pathtype(), 3);
    EXPECT_EQ(p.components().length(), 4);

    TnPath q(TnString("a"));
    q.root("/");
    EXPECT_EQ(q.value(), TnString("/a"));

    TnPath full(TnString("/etc/x"));
    full.root("/mnt");
    EXPECT_EQ(full.value(), TnString("/etc/x"));

    TnPath none(TnString("rel"));
    none.root("");
    EXPECT_EQ(none.value(), TnString("rel"));

    TnPath dos(TnString("dir\\file"));
    dos.root("C:\\root");
    EXPECT_EQ(dos.value(), TnString("C:\\root/dir\\file"));
    EXPECT_EQ(dos.pathtype(), 2);
    EXPECT_TRUE(dos.isFullPath());
}

TEST(PathSplit, ComponentsBetweenEitherSlash) {
    TnStringList list;
    list.push(new TnString("stale"));
    EXPECT_EQ(TnPath::split("\\\\host\\share/dir//file\\", list), 4);
    ASSERT_EQ(list.length(), 4);
    EXPECT_EQ(*list.get(0), TnString("host"));
    EXPECT_EQ(*list.get(3), TnString("file"));
    EXPECT_EQ(TnPath::split("", list), 0);
    EXPECT_EQ(TnPath::split("///\\", list), 0);
    EXPECT_EQ(TnPath::split("one", list), 1);

    EXPECT_EQ(TnPath::normalize("\\\\h\\s\\f"), TnString("//h/s/f"));
    EXPECT_EQ(TnPath::normalize("/a/b"), TnString("/a/b"));
}

TEST(PathChomp, DropsTrailingComponents) {
    struct Case {
        const char* path;
        int n;
        const char* want;
    };
    std::vector<Case> cases = {
        {"/a/b/c/", 1, "/a/b/"},
        {"/a/b/c", 1, "/a/b/"},
        {"a", 1, "/"},
        {"/a/b/c", 2, "/a/"},
        {"/a/b/c", 3, "/"},
        {"/a/b/c", 9, "/"},
        {"/a//b//", 1, "/a/"},
        {"/", 1, "/"},
        {"", 1, "/"},
        {"C:\\dir\\file", 1, "C:\\dir/"},
        {"a/b", 1, "a/"},
        {"/a/b", 0, "/a/b/"},
        {"/a/b/", 0, "/a/b/"},
        {"/a/b", -3, "/a/b/"},
    };
    for (const Case& c : cases) EXPECT_EQ(TnPath::chomp(c.path, c.n), TnString(c.want)) << c.path << " " << c.n;
    EXPECT_EQ(TnPath::chomp("/opt/x/tarn"), TnString("/opt/x/"));
}

TEST(PathMatch, CountsEqualPositions) {
    EXPECT_EQ(TnPath::match("/a/b", "/a/b/c"), 2);
    EXPECT_EQ(TnPath::match("/a/b", "/a/b"), 2);
    EXPECT_EQ(TnPath::match("/a/x", "/a/b/c"), 1);  // positions, not a prefix test
    EXPECT_EQ(TnPath::match("/x/b", "/a/b/c"), 1);
    EXPECT_EQ(TnPath::match("/a/b/c", "/a/b"), 0);  // longer than the path
    EXPECT_EQ(TnPath::match("", "/a"), 0);
    EXPECT_EQ(TnPath::match("\\\\srv\\share", "//srv/share/x"), 2);
    EXPECT_EQ(TnPath::match("/A", "/a"), 0);
}

TEST(PathStrip, KeepsWhatFollowsTheMatchedPrefix) {
    TnPath p(TnString("/mnt/proj/shot1/a.exr"));
    EXPECT_EQ(p.strip("/mnt/proj", 3), 1);
    EXPECT_EQ(p.value(), TnString("/shot1/a.exr"));
    EXPECT_EQ(p.pathtype(), 3);

    TnPath d(TnString("/mnt/proj/shot1/a.exr"));
    EXPECT_EQ(d.strip("/mnt/proj/", 2), 1);
    EXPECT_EQ(d.value(), TnString("\\shot1\\a.exr"));
    EXPECT_EQ(d.pathtype(), 2);

    TnPath u(TnString("\\\\srv\\proj\\f"));
    EXPECT_EQ(u.strip("//srv/proj", 1), 1);
    EXPECT_EQ(u.value(), TnString("\\f"));

    TnPath whole(TnString("/mnt/proj"));
    EXPECT_EQ(whole.strip("/mnt/proj", 3), 1);
    EXPECT_EQ(whole.value(), TnString(""));

    for (const char* prefix : {"/mnt/other", "/other/proj", "/mnt/proj/shot1/a.exr/more"}) {
        TnPath q(TnString("/mnt/proj/shot1/a.exr"));
        EXPECT_EQ(q.strip(prefix, 3), 0) << prefix;
        EXPECT_EQ(q.value(), TnString("/mnt/proj/shot1/a.exr")) << prefix;
    }
}
