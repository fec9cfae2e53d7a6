#include <gtest/gtest.h>

#include <string>

#include "core/TnRegEx.h"

TEST(RegEx, MatchAndGroups) {
    TnRegEx r("^(a+)(b)?");
    TnStringList groups;
    EXPECT_EQ(r.match("aab", groups), 1);
    ASSERT_EQ(groups.length(), 2);
    EXPECT_EQ(*groups.get(0), TnString("aa"));
    EXPECT_EQ(*groups.get(1), TnString("b"));

    // A group that took no part still holds its place; later calls append.
    EXPECT_EQ(r.match("aaa", groups), 1);
    ASSERT_EQ(groups.length(), 4);
    EXPECT_EQ(*groups.get(2), TnString("aaa"));
    EXPECT_EQ(*groups.get(3), TnString(""));

    EXPECT_EQ(r.match("baa", groups), 0);
    EXPECT_EQ(groups.length(), 4);
    EXPECT_EQ(r.match(""), 0);
    EXPECT_EQ(r.match("a"), 1);
    EXPECT_TRUE(r.error().empty());

    TnRegEx inner("x(y(z))?w");
    TnStringList g;
    EXPECT_EQ(inner.match("axyzw", g), 1);
    ASSERT_EQ(g.length(), 2);
    EXPECT_EQ(*g.get(0), TnString("yz"));
    EXPECT_EQ(*g.get(1), TnString("z"));

    TnRegEx empty("");
    EXPECT_EQ(empty.match("anything"), 1);
    EXPECT_EQ(empty.match(""), 1);
}

TEST(RegEx, AtMostThirtyThreeGroups) {
    std::string pattern, text;
    for (int i = 0; i < 40; ++i) {
        pattern += "(.)";
        text += static_cast<char>('A' + i);
    }
    TnRegEx r(pattern.c_str());
    TnStringList g;
    EXPECT_EQ(r.match(text.c_str(), g), 1);
    ASSERT_EQ(g.length(), TnRegEx::kMaxGroups);
    EXPECT_EQ(*g.get(0), TnString("A"));
    EXPECT_EQ(*g.get(32), TnString(std::string(1, 'A' + 32).c_str()));
}

TEST(RegEx, CompileErrorsMatchNothing) {
    for (const char* bad : {"(", "a)", "[z-a]", "*x", "(?<n>a)(?<n>b)"}) {
        TnRegEx r(bad);
        TnStringList g;
        EXPECT_EQ(r.match("a", g), 0) << bad;
        EXPECT_EQ(g.length(), 0) << bad;
        EXPECT_FALSE(r.error().empty()) << bad;
    }
    TnRegEx r("(");
    EXPECT_EQ(r.match("("), 0);
    r.pattern("\\(");
    EXPECT_EQ(r.match("("), 1);
    EXPECT_TRUE(r.error().empty());

    TnRegEx nul(TnString("a\0b", 3));
    EXPECT_EQ(nul.match("a"), 0);
    EXPECT_FALSE(nul.error().empty());
}

TEST(RegEx, CaselessOption) {
    TnRegEx r("^abc$");
    EXPECT_EQ(r.match("ABC"), 0);
    r.caseless(1);
    EXPECT_EQ(r.caseless(), 1);
    EXPECT_EQ(r.match("ABC"), 1);
    EXPECT_EQ(r.match("aBc"), 1);
    r.caseless(0);
    EXPECT_EQ(r.match("ABC"), 0);
    EXPECT_EQ(r.match("abc"), 1);

    // A copy keeps pattern and options but compiles on its own.
    r.caseless(1);
    TnRegEx c(r);
    EXPECT_EQ(c.match("ABC"), 1);
    TnRegEx d;
    d = r;
    r.pattern("other");
    EXPECT_EQ(d.match("ABC"), 1);
    EXPECT_EQ(r.match("ABC"), 0);
}

TEST(RegEx, TextMayHoldNulBytes) {
    TnString text("a\0bc", 4);
    EXPECT_EQ(TnRegEx("bc$").match(text), 1);
    EXPECT_EQ(TnRegEx("a\\x00b").match(text), 1);
    TnStringList g;
    EXPECT_EQ(TnRegEx("^(a.b)").match(text, g), 1);
    ASSERT_EQ(g.length(), 1);
    EXPECT_EQ(g.get(0)->length(), 3);
}

TEST(RegEx, DeepBacktrackingGivesUpInsteadOfOverflowing) {
    // Every iteration of the group nests a call; a long text would run off the stack.
    std::string text(200000, 'a');
    TnRegEx r("^(a|b)*$");
    EXPECT_EQ(r.match(text.c_str()), 0);
    EXPECT_EQ(r.match("abab"), 1);
}
