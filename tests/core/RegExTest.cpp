#include <gtest/gtest.h>

#include <string>

#include "core/TnRegEx.h"

TEST(RegEx, MatchAndGroups) {
    TnRegEx r("^(a+)(b)?");
    TnStringList groups;
    EXPECT_EQ(r.match("aab", groups), 1);
    EXPECT_EQ(groups.join(","), TnString("aa,b"));
    // A group that took no part keeps its place; later calls append; a miss adds nothing.
    EXPECT_EQ(r.match("aaa", groups), 1);
    EXPECT_EQ(r.match("baa", groups), 0);
    EXPECT_EQ(groups.join(","), TnString("aa,b,aaa,"));
    EXPECT_TRUE(r.error().empty());

    std::string pattern, text;
    for (int i = 0; i < 40; ++i) {
        pattern += "(.)";
        text += static_cast<char>('A' + i);
    }
    TnStringList many;
    EXPECT_EQ(TnRegEx(pattern.c_str()).match(text.c_str(), many), 1);
    ASSERT_EQ(many.length(), TnRegEx::kMaxGroups);
    EXPECT_EQ(*many.get(32), TnString(text.substr(32, 1).c_str()));

    TnString nul("a\0bc", 4);  // the text's length counts, not its first NUL
    EXPECT_EQ(TnRegEx("bc$").match(nul), 1);
    TnStringList g;
    EXPECT_EQ(TnRegEx("^(a\\x00b)").match(nul, g), 1);
    EXPECT_EQ(g.get(0)->length(), 3);
}

TEST(RegEx, CompileErrorsAndOptions) {
    for (const char* bad : {"(", "a)", "[z-a]", "*x"}) {
        TnRegEx r(bad);
        TnStringList g;
        EXPECT_EQ(r.match("a", g), 0) << bad;
        EXPECT_EQ(g.length(), 0) << bad;
        EXPECT_FALSE(r.error().empty()) << bad;
        r.pattern("a");
        EXPECT_EQ(r.match("a"), 1) << bad;
        EXPECT_TRUE(r.error().empty()) << bad;
    }
    TnRegEx nul(TnString("a\0b", 3));
    EXPECT_EQ(nul.match("a"), 0);
    EXPECT_FALSE(nul.error().empty());

    TnRegEx r("^abc$");
    EXPECT_EQ(r.match("ABC"), 0);
    r.caseless(1);
    EXPECT_EQ(r.match("aBc"), 1);
    TnRegEx copy(r);  // pattern and options, compiled on its own
    r.caseless(0);
    EXPECT_EQ(r.match("ABC"), 0);
    EXPECT_EQ(copy.match("ABC"), 1);
}

TEST(RegEx, DeepBacktrackingGivesUpInsteadOfOverflowing) {
    std::string text(200000, 'a');  // one nested call per repeat would run off the stack
    TnRegEx r("^(a|b)*$");
    EXPECT_EQ(r.match(text.c_str()), 0);
    EXPECT_EQ(r.match("abab"), 1);
}
