#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "core/TnRange.h"
#include "core/TnStringList.h"

namespace {

typedef std::vector<int> Ints;
typedef std::vector<std::string> Words;

Ints values(const TnRange& r) {
    Ints out;
    for (int i = 0; i < r.length(); ++i) out.push_back(r.get(i));
    return out;
}

Ints expand(const char* text) { return values(TnRange(text)); }

Words words(const TnStringList& list) {
    Words out;
    for (int i = 0; i < list.length(); ++i) out.push_back(list.get(i)->value());
    return out;
}

Words chunks(const char* text, int n) {
    TnRange r(text);
    TnStringList out;
    r.chunk(n, out);
    return words(out);
}

Words names(const char* text, int order = 0) {
    TnStringList out;
    TnRange::patternsplit(order, text, out);
    return words(out);
}

std::string compact(const char* text) { return TnRange(text).value().value(); }

}  // namespace

std::string joined(const TnRange& r) {
    std::string out;
    for (int i = 0; i < r.length(); ++i) out += (i ? "," : "") + std::to_string(r.get(i));
    return out;
}

TEST(Range, ItemsStepsAndWhereTheSyntaxStops) {
    const char* cases[][2] = {
        {"10-1", "10,9,8,7,6,5,4,3,2,1"}, {"1-10x3", "1,4,7,10"}, {"1-10x4", "1,5,9"}, {"1-10X3", "2,3,5,6,8,9"},
        {"1-5x0", "1,2,3,4,5"}, {"1-5x-2", "1,3,5"}, {"10-1x3", "10,7,4,1"}, {"10-1X3", "9,8,6,5,3,2"},
        {"1-5X1", ""}, {"1-5X0", ""}, {"5-5", "5"}, {"5-5x3", "5"}, {"-3--1", "-3,-2,-1"}, {"2--1", "2,1,0,-1"},
        {" 1 - 3 , 7 x", "1,2,3,7"}, {"1\t-\n3 x 2", "1,3"}, {"- 4", "-4"},
        // Reading stops at the first item that breaks the syntax.
        {"1-3,abc", "1,2,3"}, {"1-3abc,5", "1,2,3"}, {"1-", "1"}, {"1-,5", "1"}, {"1-5x", "1,2,3,4,5"},
        {"1-5x,9", "1,2,3,4,5"}, {"1,,2", "1"}, {"1 2", "1"}, {"1,", "1"}, {"abc", ""}, {"", ""}, {"-", ""}, {",1", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(joined(TnRange(c[0])), c[1]) << c[0];
    Ints odd = expand("1-100x2,150,200-198");
    ASSERT_EQ(odd.size(), 54u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(odd[i], 2 * i + 1);
    EXPECT_EQ(Ints(odd.begin() + 50, odd.end()), (Ints{150, 200, 199, 198}));
}

TEST(Range, Padding) {
    EXPECT_EQ(TnRange("007").padding(), 3);
    EXPECT_EQ(TnRange(" 007").padding(), 3);
    EXPECT_EQ(TnRange("-007").padding(), 3);
    EXPECT_EQ(TnRange("5,007").padding(), 1);
    EXPECT_EQ(TnRange("0001-0100").padding(), 4);
    TnRange x("x");
    EXPECT_EQ(x.padding(), 0);
    EXPECT_EQ(x.length(), 0);
    // Each add takes the padding of its own text.
    TnRange r("001-003");
    r.add("7");
    EXPECT_EQ(r.padding(), 1);
    r.add("abc");
    EXPECT_EQ(r.padding(), 0);
    EXPECT_EQ(values(r), (Ints{1, 2, 3, 7}));
    r.add(9);
    EXPECT_EQ(r.padding(), 0);
    EXPECT_EQ(r.length(), 5);
}

TEST(Range, HugeNumbersAreClamped) {
    EXPECT_EQ(expand("99999999999"), (Ints{INT_MAX}));
    EXPECT_EQ(expand("-99999999999"), (Ints{INT_MIN}));
    EXPECT_EQ(expand("2147483640-2147483647x5"), (Ints{2147483640, 2147483645}));
    EXPECT_EQ(expand("-2147483647--2147483648"), (Ints{-2147483647, INT_MIN}));
    EXPECT_EQ(expand("2147483646-99999999999"), (Ints{2147483646, INT_MAX}));
    EXPECT_EQ(expand("0-4294967296x2147483647"), (Ints{0, INT_MAX}));
    std::string zeros(100000, '0');
    TnRange r((zeros + "1").c_str());
    EXPECT_EQ(values(r), (Ints{1}));
    EXPECT_EQ(r.padding(), 100001);
}

TEST(Range, Access) {
    TnRange r("4,8");
    EXPECT_EQ(r.get(-1), 0);
    EXPECT_EQ(r.get(2), 0);
    EXPECT_EQ(r.has(8), 1);
    EXPECT_EQ(r.has(5), 0);
    TnRange big("1-1000,5000");
    EXPECT_EQ(big.has("1-10,5000"), 1);
    EXPECT_EQ(big.has("999-1001"), 0);
    EXPECT_EQ(big.has(""), 1);
    EXPECT_EQ(big.has("nothing"), 1);
    TnRange empty;
    EXPECT_EQ(empty.has(""), 1);
    EXPECT_EQ(empty.has("1"), 0);

    TnRange copy(big);
    big.clear();
    EXPECT_EQ(big.length(), 0);
    EXPECT_EQ(copy.length(), 1001);
    big = copy;
    EXPECT_EQ(big.get(1000), 5000);
    TnRange& alias = big;
    big = alias;
    EXPECT_EQ(big.length(), 1001);
    big.parse("3");
    EXPECT_EQ(values(big), (Ints{3}));
}

TEST(Range, CompactText) {
    const char* compacts[][2] = {
        {"1,2,3,4,5", "1-5"}, {"1,3,5,7,10", "1-7x2,10"}, {"1,2,4", "1,2,4"}, {"1,2,3,5,7", "1-3,5,7"},
        {"1,2,3,5,7,9", "1-3,5-9x2"}, {"1-3,4-6x2", "1-4,6"}, {"1,1", "1"}, {"9,4", "4,9"}, {"", ""},
        {"-5--1", "-5--1"}, {"1-5,3-7", "1-7"}, {"10-1", "01-10"},
        {"-2147483647,0,2147483647", "-2147483647-2147483647x2147483647"},
        {"-2147483648,0,2147483647", "-2147483648,0,2147483647"},
    };
    for (const auto& c : compacts) EXPECT_EQ(compact(c[0]), c[1]) << c[0];  // "10-1" pads as "10" does

    TnRange r("5,3,3,1");
    EXPECT_EQ(r.value(), "1-5x2");
    EXPECT_EQ(values(r), (Ints{1, 3, 5}));

    TnRange padded("001-010");
    EXPECT_EQ(padded.padding(), 3);
    EXPECT_EQ(padded.value(), "001-10");
    TnRange back(padded.value());
    EXPECT_EQ(values(back), values(padded));
    EXPECT_EQ(back.padding(), 3);
    // Only runs carry the padding.
    EXPECT_EQ(TnRange("001,005").value(), "1,5");
}

TEST(Range, CompactTextReadsBackTheSameNumbers) {
    const char* texts[] = {"1-100x3,7,9,1000-990", "5,4,3,10,20,30,31", "1-10X3", "-10-10x4,0", "1,2,4,8,16,32"};
    for (const char* text : texts) {
        TnRange r(text);
        r._strip();
        Ints expected = values(r);
        EXPECT_EQ(expand(r.value().value()), expected) << text;
    }
}

TEST(Range, Reordering) {
    TnRange r("3,1,2,2");
    r.sort();
    EXPECT_EQ(values(r), (Ints{1, 2, 2, 3}));
    r.reverse();
    EXPECT_EQ(values(r), (Ints{3, 2, 2, 1}));
    r._strip();
    EXPECT_EQ(values(r), (Ints{1, 2, 3}));

    TnRange b("1-9");
    b.binary();
    EXPECT_EQ(values(b), (Ints{1, 9, 5, 3, 7, 2, 4, 6, 8}));
    TnRange four("1-4");
    four.binary();
    EXPECT_EQ(values(four), (Ints{1, 4, 2, 3}));
    TnRange three("3,2,1");
    three.binary();
    EXPECT_EQ(values(three), (Ints{3, 2, 1}));

    // Every value exactly once, whatever the length.
    for (int n : {4, 5, 16, 17, 1000, 1023}) {
        TnRange all(("1-" + std::to_string(n)).c_str());
        all.binary();
        Ints v = values(all);
        std::sort(v.begin(), v.end());
        for (int i = 0; i < n; ++i) ASSERT_EQ(v[i], i + 1) << n;
    }
}

TEST(Range, Chunks) {
    const struct {
        const char* text;
        int n;
        const char* want;
    } cases[] = {
        {"1-10", 3, "1-3 4-6 7-9 10"}, {"1-9", 3, "1-3 4-6 7-9"}, {"1-5", 2, "1-2 3-4 5"},
        {"1-11x2", 2, "1-3x2 5-7x2 9-11x2"}, {"1-3", 1, "1 2 3"}, {"1-3", 10, "1-3"}, {"1,2,3,10", 2, "1-2 3 10"},
        {"1,5", 1, "1 5"}, {"1,5", 2, "1-5x4"}, {"1,2", 2, "1-2"}, {"7,7", 3, "7"}, {"001-005", 5, "1-5"},
        {"1-10", 0, ""}, {"", 3, ""},
    };
    for (const auto& c : cases) {
        std::string got;
        for (const std::string& w : chunks(c.text, c.n)) got += (got.empty() ? "" : " ") + w;
        EXPECT_EQ(got, c.want) << c.text << " " << c.n;
    }

    TnRange r("1-10");
    TnStringList out;
    r.partition(3, out);
    EXPECT_EQ(words(out), (Words{"1-4", "5-8", "9-10"}));
    out.clear();
    r.partition(0, out);
    r.partition(-2, out);
    EXPECT_EQ(out.length(), 0);
    r.partition(100, out);
    EXPECT_EQ(out.length(), 10);
}

TEST(Range, IsRange) {
    for (const char* no : {"x5", ",1", "", " \t\n", " X1", "node1", "1;2"}) EXPECT_FALSE(TnRange::isrange(no)) << no;
    for (const char* yes : {"1 - 3", "1-10x2,5X3", "-5"}) EXPECT_TRUE(TnRange::isrange(yes)) << yes;
}

TEST(Range, SingleItem) {
    const char* cases[][2] = {
        {"5", "1 5 5 1"}, {"1-10x3", "1 1 10 3"}, {" 20 - 4 x -2", "1 20 4 2"}, {"3-", "1 3 3 1"}};
    for (const auto& c : cases) {
        int start = -9, end = -9, step = -9;
        int r = TnRange::patternsplit(c[0], start, end, step);
        std::string got = std::to_string(r) + " " + std::to_string(start) + " " + std::to_string(end);
        EXPECT_EQ(got + " " + std::to_string(step), c[1]) << c[0];
    }
    int start = 3, end = 0, step = 0;
    EXPECT_EQ(TnRange::patternsplit("abc", start, end, step), 0);
    EXPECT_EQ(start, 3);
}

TEST(Range, NamePatterns) {
    EXPECT_EQ(names("node[01-03]"), (Words{"node01", "node02", "node03"}));
    EXPECT_EQ(names("a[1-2].b,c"), (Words{"a1.b", "a2.b", "c"}));
    EXPECT_EQ(names("node[1-3]", 3), (Words{"node3", "node2", "node1"}));
    EXPECT_EQ(names("n[3,1,2]", 0), (Words{"n3", "n1", "n2"}));
    EXPECT_EQ(names("n[3,1,2]", 2), (Words{"n1", "n2", "n3"}));
    EXPECT_EQ(names("n[3,1,2]", 5), (Words{"n2", "n1", "n3"}));
    EXPECT_EQ(names("n[4-1]", 1), (Words{"n1", "n4", "n2", "n3"}));
    EXPECT_EQ(names("n[4-1]", 4), (Words{"n4", "n1", "n3", "n2"}));
    EXPECT_EQ(names("n[3,1,2]", 99), (Words{"n3", "n1", "n2"}));
    EXPECT_EQ(names("r[8-12]x"), (Words{"r8x", "r9x", "r10x", "r11x", "r12x"}));
    EXPECT_EQ(names("n[008-010]"), (Words{"n008", "n009", "n010"}));
    // Blanks outside brackets go, commas inside brackets stay with their part.
    EXPECT_EQ(names(" web [1,3] , db"), (Words{"web1", "web3", "db"}));
    EXPECT_EQ(names("plain,other"), (Words{"plain", "other"}));
    EXPECT_EQ(names("node["), (Words{"node["}));
    EXPECT_EQ(names("node[]"), Words{});  // "]" is read as the range: no numbers
    EXPECT_EQ(names("node[abc]"), Words{});
    EXPECT_EQ(names("[1-2]"), (Words{"1", "2"}));
    // Only the first bracket expands; later ones stay as written.
    EXPECT_EQ(names("n[1-2][3-4]"), (Words{"n1[3-4]", "n2[3-4]"}));
    // A pure range expands to its numbers.
    EXPECT_EQ(names("3-1"), (Words{"3", "2", "1"}));
    EXPECT_EQ(names("003-1", 2), (Words{"1", "2", "3"}));
    EXPECT_EQ(names(""), Words{});
    TnStringList out;
    out.push(new TnString("kept"));
    EXPECT_EQ(TnRange::patternsplit(0, "h[1-2]", out), 2);
    EXPECT_EQ(words(out), (Words{"kept", "h1", "h2"}));
}

// Hostile texts: expansion is capped, never proportional to the numbers written.
TEST(Range, ExpansionIsBounded) {
    TnRange r("1-2000000000");
    EXPECT_EQ(r.length(), TnRange::kMaxValues);
    EXPECT_EQ(r.get(TnRange::kMaxValues - 1), TnRange::kMaxValues);
    EXPECT_EQ(r.add(7), 0);
    r.add("5");
    EXPECT_EQ(r.length(), TnRange::kMaxValues);
    EXPECT_EQ(r.value(), "1-1000000");

    TnRange none("1-2000000000X1");
    EXPECT_EQ(none.length(), 0);
    TnRange skip("-2147483648-2147483647X2");
    EXPECT_EQ(skip.length(), TnRange::kMaxValues);
    EXPECT_EQ(skip.get(0), INT_MIN + 1);
    TnRange wide("-2147483648-2147483647x1000");
    EXPECT_EQ(wide.length(), TnRange::kMaxValues);  // 4,294,968 were asked for
}

TEST(Range, PatternExpansionIsBounded) {
    // A long name times many values stops at the byte cap.
    std::string head(100000, 'h');
    TnStringList out;
    int added = TnRange::patternsplit(0, (head + "[1-2000000000]").c_str(), out);
    EXPECT_EQ(added, out.length());
    long long bytes = 0;
    for (int i = 0; i < out.length(); ++i) bytes += out.get(i)->length();
    EXPECT_LE(bytes, TnRange::kMaxPatternBytes);
    EXPECT_GT(bytes + 100010, TnRange::kMaxPatternBytes);

    // Many brackets in one name: one range expands, the rest is text.
    std::string brackets = "n[1-3]";
    for (int i = 0; i < 10000; ++i) brackets += "[1-1000000]";
    TnStringList few;
    EXPECT_EQ(TnRange::patternsplit(0, brackets.c_str(), few), 3);
    EXPECT_EQ(few.get(0)->length(), static_cast<int>(brackets.length()) - 4);

    // Many parts stop at the name cap, and so does a pure range.
    std::string parts;
    for (int i = 0; i < 3; ++i) parts += "p" + std::to_string(i) + "[1-60000],";
    TnStringList many;
    EXPECT_EQ(TnRange::patternsplit(0, parts.c_str(), many), TnRange::kMaxNames);
    EXPECT_EQ(*many.get(TnRange::kMaxNames - 1), "p140000");
    TnStringList numbers;
    EXPECT_EQ(TnRange::patternsplit(3, "1-2000000000", numbers), TnRange::kMaxNames);
    EXPECT_EQ(*numbers.get(0), "1000000");
}
