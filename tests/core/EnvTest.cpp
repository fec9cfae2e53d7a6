#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/TnEnv.h"

namespace {

TnString str(const TnString& s) { return s; }

TnEnv sample() {
    TnEnv e;
    e.set_mask(022);
    e.set_cwd("/home/u");
    e.mount("Z:", "bob:pw@//srv/share");
    e.mount("Y:", "srv");
    e.set("A", "1");
    e.set("EMPTY", "");
    e.set("BASH_FUNC_greet%%", "() {  echo hi;\n echo there\n}");
    e.set("AFTER", "x=y");
    return e;
}

void expectSame(const TnEnv& a, const TnEnv& b) {
    ASSERT_EQ(a.keys().length(), b.keys().length());
    ASSERT_EQ(a.values().length(), b.values().length());
    for (int i = 0; i < a.keys().length(); ++i) {
        EXPECT_EQ(*a.keys().get(i), *b.keys().get(i)) << i;
        EXPECT_EQ(*a.values().get(i), *b.values().get(i)) << i;
    }
    EXPECT_EQ(a.mask(), b.mask());
    EXPECT_EQ(a.cwd(), b.cwd());
    TnStringList pa, pb;
    a.mounts(pa);
    b.mounts(pb);
    ASSERT_EQ(pa.length(), pb.length());
    for (int i = 0; i < pa.length(); ++i) {
        EXPECT_EQ(*pa.get(i), *pb.get(i));
        EXPECT_EQ(a.mount(*pa.get(i)), b.mount(*pb.get(i)));
    }
}

}  // namespace

TEST(EnvRecord, PacksInBothFormsAndCopiesDeeply) {
    TnEnv e = sample();
    EXPECT_EQ(e.type(), 49);
    EXPECT_EQ(e.typeXML(), TnString("env"));

    e.pack();
    TnEnv b;
    ASSERT_EQ(b.unpack(e.packContents(), e.packSize()), 0);
    expectSame(e, b);

    e.packXML();
    std::string xml = std::string("<pack>") + e.packContents() + "</pack>";
    TnEnv x;
    ASSERT_EQ(x.unpackXML(xml.data(), static_cast<int>(xml.size())), 0);
    expectSame(e, x);

    TnEnv c(e);
    e.set("A", "changed");
    e.mount("Z:", "other");
    EXPECT_EQ(c.value("A"), TnString("1"));
    EXPECT_EQ(c.mount("Z:"), TnString("bob:pw@//srv/share"));
    c = e;
    EXPECT_EQ(c.value("A"), TnString("changed"));
}

TEST(EnvVariables, SetReplacesInPlaceAndClearLeavesTheRest) {
    TnEnv e = sample();
    e.set("A", "2");
    EXPECT_EQ(e.keys().length(), 4);
    EXPECT_EQ(*e.keys().get(0), TnString("A"));
    EXPECT_EQ(e.value("A"), TnString("2"));
    EXPECT_TRUE(e.exists("EMPTY"));
    EXPECT_FALSE(e.exists("a"));
    EXPECT_EQ(e.value("missing"), TnString(""));

    TnEnv other;
    other.set("A", "3");
    other.set("NEW", "n");
    e.modify(other);
    EXPECT_EQ(e.value("A"), TnString("3"));
    EXPECT_EQ(*e.keys().get(e.keys().length() - 1), TnString("NEW"));
    e.modify(e);
    EXPECT_EQ(e.keys().length(), 5);

    e.clear();
    EXPECT_EQ(e.keys().length(), 0);
    EXPECT_EQ(e.values().length(), 0);
    EXPECT_EQ(e.mask(), 022);
    EXPECT_EQ(e.cwd(), TnString("/home/u"));
    EXPECT_EQ(e.mountcount(), 2);
}

TEST(EnvMounts, DescriptionsSplitIntoUserPasswordShare) {
    struct Case {
        const char* description;
        const char* user;
        const char* password;
        const char* share;
    };
    std::vector<Case> cases = {
        {"bob:pw@//srv/share", "bob", "pw", "//srv/share"},
        {"bob@srv", "bob", "", "srv"},
        {"srv", "", "", "srv"},
        {"srv:/export", "", "", "srv:/export"},  // no "@": a colon is part of the share
        {"a:b:c@d@e", "a", "b:c", "d@e"},
        {"bob@x:y", "bob", "", "x:y"},
        {":pw@s", "", "pw", "s"},
        {"@s", "", "", "s"},
        {"u:p@", "u", "p", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        TnEnv e;
        e.mount("Q:", c.description);
        TnString user = "old", password = "old", share = "old";
        ASSERT_EQ(e.mount("Q:", user, password, share), 1) << c.description;
        EXPECT_EQ(user, TnString(c.user)) << c.description;
        EXPECT_EQ(password, TnString(c.password)) << c.description;
        EXPECT_EQ(share, TnString(c.share)) << c.description;
    }
    TnEnv e;
    TnString user = "kept", password, share;
    EXPECT_EQ(e.mount("Q:", user, password, share), 0);
    EXPECT_EQ(user, TnString("kept"));
    EXPECT_EQ(e.mount("Q:"), TnString(""));
}

TEST(EnvMounts, MountMapLinesAndListing) {
    TnEnv e;
    e.mountmap("Z:|bob@srv|rest ignored\nY:|srv\n\n|no point\nno bar\r\nX:|desc\r\nW:|\nZ:|again");
    EXPECT_EQ(e.mountcount(), 4);
    EXPECT_EQ(e.mount("Z:"), TnString("again"));
    EXPECT_EQ(e.mount("Y:"), TnString("srv"));
    EXPECT_EQ(e.mount("X:"), TnString("desc"));
    EXPECT_TRUE(e.mount("W:").empty());
    TnStringList points;
    points.push(new TnString("stale"));
    e.mounts(points);
    ASSERT_EQ(points.length(), 4);
    EXPECT_EQ(*points.get(0), TnString("W:"));
    EXPECT_EQ(*points.get(3), TnString("Z:"));
    e.mountclear();
    EXPECT_EQ(e.mountcount(), 0);
}

TEST(EnvText, ConvertLayout) {
    TnEnv e;
    e.set_mask(18);
    EXPECT_EQ(e.convert(), TnString("umask=22\ncwd="));
    e.set_cwd("/w");
    e.mount("Z:", "a@b");
    e.mount("D:", "c");
    e.set("A", "1");
    e.set("B", "");
    EXPECT_EQ(e.convert(), TnString("umask=22\ncwd=/w\ndrivemap=D:|c\ndrivemap=Z:|a@b\nA=1\nB="));
}

TEST(EnvText, RevertReadsBackWhatConvertWrote) {
    TnEnv e = sample();
    TnEnv back;
    back.revert(e.convert());
    expectSame(e, back);
    EXPECT_EQ(back.value("BASH_FUNC_greet%%"), TnString("() {  echo hi;\n echo there\n}"));
    EXPECT_EQ(back.value("AFTER"), TnString("x=y"));

    // Every mask survives, the sign bit included.
    for (int mask : {0, 0777, 077, -1, 0x7fffffff}) {
        TnEnv m;
        m.set_mask(mask);
        TnEnv r;
        r.revert(m.convert());
        EXPECT_EQ(r.mask(), mask);
    }
}

TEST(EnvText, RevertLineRules) {
    struct Case {
        const char* text;
        int mask;
        const char* cwd;
        std::vector<std::pair<const char*, const char*>> vars;
    };
    std::vector<Case> cases = {
        // Octal up to the first other byte.
        {"umask=0777", 0777, "", {}},
        {"umask=27x", 027, "", {}},
        {"umask=8", 0, "", {}},
        {"umask=-1", 0, "", {}},
        // Only the first umask and cwd lines are settings; later ones are variables.
        {"umask=22\ncwd=/a\numask=7\ncwd=/b", 022, "/a", {{"umask", "7"}, {"cwd", "/b"}}},
        // A value runs to the newline and may hold "=".
        {"A=b=c\nB=", 0, "", {{"A", "b=c"}, {"B", ""}}},
        // An empty name ends reading, and so does text without "=".
        {"A=1\n=2\nB=3", 0, "", {{"A", "1"}}},
        {"A=1\nno pair here", 0, "", {{"A", "1"}}},
        {"A=1\n", 0, "", {{"A", "1"}}},
        // Names are not checked for duplicates.
        {"A=1\nA=2", 0, "", {{"A", "1"}, {"A", "2"}}},
        // An exported function runs on to the first line starting with "}", kept whole.
        {"F=() { a;\n b;\n} tail\nG=1", 0, "", {{"F", "() { a;\n b;\n} tail"}, {"G", "1"}}},
        // ... and a closing brace on its first line does not count,
        {"F=() { :; }\nG=1\n}\nH=2", 0, "", {{"F", "() { :; }\nG=1\n}"}, {"H", "2"}}},
        // ... and without one it takes the rest of the text.
        {"F=() {\nG=1\nH=2", 0, "", {{"F", "() {\nG=1\nH=2"}}},
        {"F=() {", 0, "", {{"F", "() {"}}},
        // Empty lines at the end of an unclosed one are line breaks, not content.
        {"F=() {\nx\n\n\n", 0, "", {{"F", "() {\nx"}}},
        {"F=() {\n\n", 0, "", {{"F", "() {"}}},
        {"F=() {\n\n}\n\n", 0, "", {{"F", "() {\n\n}"}}},
        // Only "() {" at the very start marks a function.
        {"F= () {\nG=1", 0, "", {{"F", " () {"}, {"G", "1"}}},
        {"F=(){\nG=1", 0, "", {{"F", "(){"}, {"G", "1"}}},
        {"", 0, "", {}},
    };
    for (const Case& c : cases) {
        TnEnv e;
        e.revert(c.text);
        EXPECT_EQ(e.mask(), c.mask) << c.text;
        EXPECT_EQ(e.cwd(), TnString(c.cwd)) << c.text;
        ASSERT_EQ(e.keys().length(), static_cast<int>(c.vars.size())) << c.text;
        for (size_t i = 0; i < c.vars.size(); ++i) {
            EXPECT_EQ(*e.keys().get(static_cast<int>(i)), TnString(c.vars[i].first)) << c.text;
            EXPECT_EQ(*e.values().get(static_cast<int>(i)), TnString(c.vars[i].second)) << c.text;
        }
    }
}

TEST(EnvText, RevertAddsToWhatIsHeld) {
    TnEnv e;
    e.set("A", "1");
    e.mount("Z:", "old");
    e.revert("drivemap=Z:|new|x\ndrivemap=nobar\nA=2\nB=3");
    EXPECT_EQ(e.keys().length(), 3);
    EXPECT_EQ(e.value("A"), TnString("1"));
    EXPECT_EQ(*e.values().get(1), TnString("2"));
    EXPECT_EQ(e.mount("Z:"), TnString("new|x"));
    EXPECT_EQ(e.mountcount(), 1);
}

TEST(EnvText, NulBytesStayInsideTheirValue) {
    TnEnv e;
    e.revert(TnString("A=x\0y\nB=2", 9));
    ASSERT_EQ(e.keys().length(), 2);
    EXPECT_EQ(e.values().get(0)->length(), 3);
    EXPECT_EQ(e.value("B"), TnString("2"));
}

namespace {

// Changes made to the process by a test are undone afterwards.
class EnvProcess : public ::testing::Test {
protected:
    void SetUp() override {
        savedMask_ = ::umask(0);
        ::umask(savedMask_);
        for (const char* n : kNames) {
            ASSERT_EQ(getenv(n), nullptr) << n << " is set before the test";
        }
    }
    void TearDown() override {
        ::umask(savedMask_);
        for (const char* n : kNames) unsetenv(n);
    }
    static constexpr const char* kNames[] = {"TN_ENVTEST_ONE", "TN_ENVTEST_TWO", "TN_ENVTEST_THREE"};
    mode_t savedMask_ = 0;
};

}  // namespace

TEST_F(EnvProcess, SnapshotOfTheProcess) {
    setenv("TN_ENVTEST_ONE", "a=b", 1);
    ::umask(027);
    TnEnv e;
    e.set("STALE", "gone");
    e.setToEnv();
    EXPECT_EQ(e.value("TN_ENVTEST_ONE"), TnString("a=b"));
    EXPECT_FALSE(e.exists("STALE"));
    EXPECT_EQ(e.mask(), 027);
    EXPECT_EQ(::umask(027), 027u);  // reading did not change it
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    EXPECT_EQ(e.cwd(), TnString(buf));
    EXPECT_EQ(e.keys().length(), e.values().length());
}

TEST_F(EnvProcess, SingleVariablesAgainstTheProcess) {
    TnEnv e;
    EXPECT_EQ(e.setToEnv("TN_ENVTEST_ONE", "1"), 1);
    EXPECT_EQ(str(getenv("TN_ENVTEST_ONE")), TnString("1"));
    EXPECT_EQ(e.value("TN_ENVTEST_ONE"), TnString("1"));
    EXPECT_EQ(TnEnv::valueEnv("TN_ENVTEST_ONE"), TnString("1"));
    EXPECT_EQ(TnEnv::valueEnv("TN_ENVTEST_TWO"), TnString(""));

    // What the process cannot hold is refused without touching either side.
    EXPECT_EQ(e.setToEnv("", "x"), 0);
    EXPECT_EQ(e.setToEnv("TN_ENVTEST=TWO", "x"), 0);
    EXPECT_EQ(e.setToEnv("TN_ENVTEST_TWO", TnString("a\0b", 3)), 0);
    EXPECT_EQ(getenv("TN_ENVTEST_TWO"), nullptr);
    EXPECT_EQ(e.keys().length(), 1);

    TnEnv apply;
    apply.set("TN_ENVTEST_TWO", "2");
    apply.set("TN_ENVTEST_THREE", "");
    apply.set("BAD=NAME", "x");
    EXPECT_EQ(apply.setEnv(), 2);
    EXPECT_EQ(TnEnv::valueEnv("TN_ENVTEST_TWO"), TnString("2"));
    ASSERT_NE(getenv("TN_ENVTEST_THREE"), nullptr);
}
