#include <gtest/gtest.h>

#include <cstring>

#include "core/TnString.h"
#include "core/TnStringList.h"

TEST(String, UndefinedEmptyAndDefined) {
    TnString s;
    EXPECT_TRUE(s.isundef());
    EXPECT_STREQ(s.value(), "");
    s = "";
    EXPECT_FALSE(s.isundef());
    EXPECT_EQ(s.length(), 0);
    TnString fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.isundef());
    s.clear();
    EXPECT_FALSE(s.isundef());
    char* copy = TnString().copyvalue();
    EXPECT_STREQ(copy, "");
    delete[] copy;
}

TEST(String, NumbersToText) {
    EXPECT_EQ(TnString(-42), TnString("-42"));
    EXPECT_EQ(TnString(1.5f), TnString("1.500000"));
    EXPECT_EQ(TnString(1234567890123LL), TnString("1234567890123"));
    TnString s("x");
    s += 7;
    s += 'y';
    s += 2.0f;
    EXPECT_EQ(s, TnString("x7y2.000000"));
    EXPECT_EQ(TnString("a") + 1 + 'b' + TnString("c"), TnString("a1bc"));
    EXPECT_EQ('z' + TnString("a"), TnString("za"));
    EXPECT_EQ(3 + TnString("a"), TnString("3a"));
}

TEST(String, ComparisonOrdersEmptyFirst) {
    TnString empty1, empty2(""), a("a"), b("b");
    EXPECT_TRUE(empty1 == empty2);
    EXPECT_FALSE(empty1 < empty2);
    EXPECT_TRUE(empty1 < a);
    EXPECT_FALSE(a < empty1);
    EXPECT_TRUE(b > a);
    EXPECT_TRUE(a >= a);
    EXPECT_TRUE(a <= b);
    EXPECT_EQ(empty1.cmp(empty2), 0);
    EXPECT_EQ(a.cmp(empty1), 1);
    EXPECT_EQ(empty1.cmp(a), -1);
    EXPECT_EQ(a.cmp(b), -1);
    EXPECT_TRUE(TnString("abc").compare("ABC", 1));
    EXPECT_FALSE(TnString("abc").compare("ABC", 0));
    EXPECT_FALSE(TnString("abc").compare("ABC", 2));
    EXPECT_FALSE(TnString("abc").compare("abcd", 1));
}

TEST(String, Searching) {
    EXPECT_EQ(TnString("").find(""), 1);
    EXPECT_EQ(TnString("abc").find("bc"), 1);
    EXPECT_EQ(TnString("abc").find("cb"), 0);
    EXPECT_EQ(TnString("a b").hasspace(), 1);
    EXPECT_EQ(TnString("a\rb").multiline(), 1);
    EXPECT_EQ(TnString("").haschar('a'), 0);
    EXPECT_TRUE(TnString("-").isinteger());
    EXPECT_FALSE(TnString("12a").isinteger());
    EXPECT_FALSE(TnString("").isinteger());
    EXPECT_TRUE(TnString(".5").isfloat());
    EXPECT_TRUE(TnString("+1.25").isfloat());
    EXPECT_FALSE(TnString("1.2.3").isfloat());
    EXPECT_FALSE(TnString("1e5").isfloat());
    EXPECT_FALSE(TnString("..").isfloat());
}

TEST(String, DerivedStrings) {
    TnString s("abcdef");
    EXPECT_EQ(s.substr(1, 3), TnString("bc"));
    EXPECT_EQ(s.substr(4, 100), TnString("ef"));
    EXPECT_EQ(s.substr(6, 8), TnString(""));
    EXPECT_EQ(s.substr(3, 2), TnString(""));
    EXPECT_EQ(TnString("MiXeD").tolower(), TnString("mixed"));
    EXPECT_EQ(TnString("MiXeD").toupper(), TnString("MIXED"));
    EXPECT_EQ(TnString("caf\xc3\xa9\t!\x7f").removecontrolchars(), TnString("caf\t!"));
    EXPECT_EQ(TnString("AaA").replacevalue("a", "b", 0), TnString("bbb"));
    EXPECT_EQ(TnString("AaA").replacevalue("a", "b", 1), TnString("AbA"));
    EXPECT_EQ(TnString("aaa").replacevalue("aa", "a", 1), TnString("aa"));  // no overlap, no rescan
    EXPECT_EQ(TnString("xabx").replacevalue("ab", "abab", 1), TnString("xababx"));
    EXPECT_EQ(TnString("abc").replacevalue("", "z", 1), TnString("abc"));
    EXPECT_EQ(TnString("ab").replacevalue("abc", "z", 1), TnString("ab"));  // candidate cut at the end
    EXPECT_EQ(TnString("a\nb\r\nc").LFtoCRLF(), TnString("a\r\nb\r\nc"));
    EXPECT_EQ(TnString("\n").LFtoCRLF(), TnString("\r\n"));
}

TEST(String, NumericReaders) {
    EXPECT_EQ(TnString("  -12abc").integervalue(), -12);
    EXPECT_EQ(TnString("abc").integervalue(), 0);
    EXPECT_EQ(TnString().integervalue(), 0);
    EXPECT_EQ(TnString("9000000000").longlongvalue(), 9000000000LL);
    EXPECT_FLOAT_EQ(TnString("2.5x").floatvalue(), 2.5f);
    EXPECT_EQ(TnString("4f").hexchar(), 79);
    EXPECT_EQ(TnString("G1").hexchar(), 1);
    EXPECT_EQ(TnString("a").hexchar(), 10);
    EXPECT_EQ(TnString("").hexchar(), 0);
    EXPECT_EQ(TnString("ff").hexvalue(), 255u);
    EXPECT_EQ(TnString("100000000").hexvalue(), 0u);  // wraps in 32 bits
    TnString h;
    h.hexvalue(10);
    h.hexvalue(static_cast<char>(0xfe));
    EXPECT_EQ(h, TnString("0AFE"));
    TnString p;
    p.integervalue(7, 3);
    EXPECT_EQ(p, TnString("007"));
    TnString q;
    q.integervalue(7, 3, ' ');
    EXPECT_EQ(q, TnString("  7"));
    EXPECT_EQ(TnString::padded_int(-5, 3), TnString("-05"));
    TnString f;
    f.floatvalue(0.25f);
    EXPECT_EQ(f, TnString("0.250000"));
}

TEST(String, BytesSecureAndGrowth) {
    TnString s("ab\0cd", 5);
    EXPECT_EQ(s.length(), 5);
    EXPECT_EQ(s.get(3), 'c');
    EXPECT_EQ(s.get(5), 0);
    EXPECT_EQ(s.get(-1), 0);
    s.set(0, 'X');
    s.set(9, 'Y');
    EXPECT_EQ(s.get(0), 'X');
    TnString secret("pw");
    secret.secure(1);
    TnString copy;
    copy = secret;
    EXPECT_EQ(copy.secure(), 1);
    copy.copy("", 0);
    EXPECT_EQ(copy.length(), 0);
    TnString grow;
    for (int i = 0; i < 1000; ++i) grow.append('x');
    EXPECT_EQ(grow.length(), 1000);
    grow.append(grow.value(), grow.length());  // appending part of itself
    EXPECT_EQ(grow.length(), 2000);
    grow.copy(grow.value() + 10, 5);  // assigning from inside itself
    EXPECT_EQ(grow, TnString("xxxxx"));
    grow = grow;
    EXPECT_EQ(grow.length(), 5);
    TnString moved(std::move(grow));
    EXPECT_EQ(moved.length(), 5);
}

TEST(StringList, JoinFindSort) {
    TnStringList l;
    EXPECT_EQ(l.join(","), TnString(""));
    l.push(new TnString("a"));
    EXPECT_EQ(l.join(","), TnString("a"));
    l.push(new TnString("b"));
    EXPECT_EQ(l.join(","), TnString("a,b"));
    EXPECT_EQ(l.find("b"), 1);
    EXPECT_EQ(l.find("c"), -1);
    l.push(new TnString(""));
    l.push(new TnString("aa"));
    l.sort();
    EXPECT_EQ(l.join("|"), TnString("|a|aa|b"));
    l.sort([](const TnString* a, const TnString* b) { return -tn_string_sort_func(a, b); });
    EXPECT_EQ(l.join("|"), TnString("b|aa|a|"));
}
