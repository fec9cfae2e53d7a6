#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/TnEnv.h"

namespace {

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

}  // namespace

TEST(Env, CopiesAndVariables) {
    TnEnv e = sample();
    TnEnv c(e);
    e.set("A", "2");  // replaced in place
    e.mount("Z:", "other");
    EXPECT_EQ(c.value("A"), TnString("1"));
    EXPECT_EQ(c.mount("Z:"), TnString("bob:pw@//srv/share"));
    EXPECT_EQ(*e.keys().get(0), TnString("A"));
    EXPECT_EQ(e.value("missing"), TnString(""));

    TnEnv other;
    other.set("A", "3");
    other.set("NEW", "n");
    e.modify(other);
    EXPECT_EQ(e.value("A"), TnString("3"));
    EXPECT_EQ(e.keys().length(), 5);
    e.clear();
    EXPECT_EQ(e.values().length(), 0);
    EXPECT_EQ(e.convert(), TnString("umask=22\ncwd=/home/u\ndrivemap=Y:|srv\ndrivemap=Z:|other"));
}

TEST(Env, MountDescriptionsAndMaps) {
    const char* cases[][4] = {
        {"bob:pw@//srv/share", "bob", "pw", "//srv/share"},
        {"bob@srv", "bob", "", "srv"},
        {"srv:/export", "", "", "srv:/export"},  // without "@" all is share
        {"a:b:c@d@e", "a", "b:c", "d@e"},
        {"bob@x:y", "bob", "", "x:y"},  // a colon after the "@" belongs to the share
        {":pw@s", "", "pw", "s"},
        {"u:p@", "u", "p", ""},
    };
    for (const auto& c : cases) {
        TnEnv e;
        e.mount("Q:", c[0]);
        TnString user = "old", password = "old", share = "old";
        ASSERT_EQ(e.mount("Q:", user, password, share), 1) << c[0];
        EXPECT_EQ(user, TnString(c[1])) << c[0];
        EXPECT_EQ(password, TnString(c[2])) << c[0];
        EXPECT_EQ(share, TnString(c[3])) << c[0];
    }
    TnEnv e;
    TnString user = "kept", password, share;
    EXPECT_EQ(e.mount("Q:", user, password, share), 0);
    EXPECT_EQ(user, TnString("kept"));

    e.mountmap("Z:|bob@srv|rest ignored\nY:|srv\n\n|no point\nno bar\r\nX:|desc\r\nZ:|again");
    TnStringList points;
    points.push(new TnString("stale"));
    e.mounts(points);
    EXPECT_EQ(points.join(","), TnString("X:,Y:,Z:"));
    EXPECT_EQ(e.mount("X:"), TnString("desc"));
    EXPECT_EQ(e.mount("Z:"), TnString("again"));
    e.mountclear();
    EXPECT_EQ(e.mountcount(), 0);
}

TEST(Env, TextRoundTrip) {
    TnEnv e;
    e.set_mask(18);
    EXPECT_EQ(e.convert(), TnString("umask=22\ncwd="));

    TnEnv s = sample();
    TnEnv back;
    back.revert(s.convert());
    EXPECT_EQ(back.convert(), s.convert());
    EXPECT_EQ(back.value("BASH_FUNC_greet%%"), TnString("() {  echo hi;\n echo there\n}"));

    for (int mask : {0, 0777, -1, 0x7fffffff}) {  // the sign bit survives too
        TnEnv m, r;
        m.set_mask(mask);
        r.revert(m.convert());
        EXPECT_EQ(r.mask(), mask);
    }

    // Reading adds to what is held, duplicates included; NUL bytes stay inside values.
    TnEnv add;
    add.set("A", "1");
    static const char raw[] = "drivemap=Z:|new|x\ndrivemap=nobar\nA=2\nB=x\0y";
    add.revert(TnString(raw, sizeof raw - 1));
    EXPECT_EQ(add.keys().length(), 3);
    EXPECT_EQ(*add.values().get(1), TnString("2"));
    EXPECT_EQ(add.values().get(2)->length(), 3);
    EXPECT_EQ(add.mount("Z:"), TnString("new|x"));
    EXPECT_EQ(add.mountcount(), 1);
}

TEST(Env, RevertLineRules) {
    struct Case {
        const char* text;
        int mask;
        const char* cwd;
        const char* vars;  // name=value pairs joined by ";"
    };
    std::vector<Case> cases = {
        {"umask=27x", 027, "", ""},
        {"umask=8", 0, "", ""},
        {"umask=-1", 0, "", ""},
        // Only the first umask and cwd lines are settings; later ones are variables.
        {"umask=22\ncwd=/a\numask=7\ncwd=/b", 022, "/a", "umask=7;cwd=/b"},
        {"A=b=c\nB=", 0, "", "A=b=c;B="},
        // An empty name ends reading, and so does text without "=".
        {"A=1\n=2\nB=3", 0, "", "A=1"},
        {"A=1\nno pair here", 0, "", "A=1"},
        {"A=1\nA=2\n", 0, "", "A=1;A=2"},
        // An exported function runs on to the first line starting with "}", kept whole,
        {"F=() { a;\n b;\n} tail\nG=1", 0, "", "F=() { a;\n b;\n} tail;G=1"},
        // ... a closing brace on its first line does not count,
        {"F=() { :; }\nG=1\n}\nH=2", 0, "", "F=() { :; }\nG=1\n};H=2"},
        // ... unclosed it takes the rest, less the line breaks at the very end,
        {"F=() {\nG=1\nH=2", 0, "", "F=() {\nG=1\nH=2"},
        {"F=() {\nx\n\n\n", 0, "", "F=() {\nx"},
        {"F=() {\n\n}\n\n", 0, "", "F=() {\n\n}"},
        // ... and only "() {" at the very start marks one.
        {"F= () {\nG=1", 0, "", "F= () {;G=1"},
        {"F=(){\nG=1", 0, "", "F=(){;G=1"},
    };
    for (const Case& c : cases) {
        TnEnv e;
        e.revert(c.text);
        EXPECT_EQ(e.mask(), c.mask) << c.text;
        EXPECT_EQ(e.cwd(), TnString(c.cwd)) << c.text;
        TnStringList pairs;
        for (int i = 0; i < e.keys().length(); ++i) pairs.push(new TnString(*e.keys().get(i) + "=" + *e.values().get(i)));
        EXPECT_EQ(pairs.join(";"), TnString(c.vars)) << c.text;
    }
}

namespace {

constexpr const char* kNames[] = {"TN_ENVTEST_ONE", "TN_ENVTEST_TWO", "TN_ENVTEST_THREE"};

// Process variables and umask changed by the test are put back.
class EnvProcess : public ::testing::Test {
protected:
    void SetUp() override {
        savedMask_ = ::umask(027);
        for (const char* n : kNames) ASSERT_EQ(getenv(n), nullptr) << n;
    }
    void TearDown() override {
        ::umask(savedMask_);
        for (const char* n : kNames) unsetenv(n);
    }
    mode_t savedMask_ = 0;
};

}  // namespace

TEST_F(EnvProcess, SnapshotAndSingleVariables) {
    setenv("TN_ENVTEST_ONE", "a=b", 1);
    TnEnv e;
    e.set("STALE", "gone");
    e.setToEnv();
    EXPECT_EQ(e.value("TN_ENVTEST_ONE"), TnString("a=b"));
    EXPECT_FALSE(e.exists("STALE"));
    EXPECT_EQ(e.mask(), 027);
    EXPECT_EQ(::umask(027), 027u);  // reading put it back
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    EXPECT_EQ(e.cwd(), TnString(buf));

    TnEnv one;
    EXPECT_EQ(one.setToEnv("TN_ENVTEST_TWO", "2"), 1);
    EXPECT_EQ(TnEnv::valueEnv("TN_ENVTEST_TWO"), TnString("2"));
    EXPECT_EQ(one.value("TN_ENVTEST_TWO"), TnString("2"));
    // What the process cannot hold is refused on both sides.
    EXPECT_EQ(one.setToEnv("", "x"), 0);
    EXPECT_EQ(one.setToEnv("TN_ENVTEST=THREE", "x"), 0);
    EXPECT_EQ(one.setToEnv("TN_ENVTEST_THREE", TnString("a\0b", 3)), 0);
    EXPECT_EQ(getenv("TN_ENVTEST_THREE"), nullptr);
    EXPECT_EQ(one.keys().length(), 1);

    TnEnv apply;
    apply.set("TN_ENVTEST_THREE", "");
    apply.set("TN_ENVTEST_ONE", "new");
    apply.set("BAD=NAME", "x");
    EXPECT_EQ(apply.setEnv(), 2);
    EXPECT_EQ(TnEnv::valueEnv("TN_ENVTEST_ONE"), TnString("new"));
    EXPECT_NE(getenv("TN_ENVTEST_THREE"), nullptr);
}
