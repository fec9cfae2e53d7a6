#include <gtest/gtest.h>

#include <string>

#include "protocol/TnPackage.h"

TEST(Package, CompactAndExpandRoundTrip) {
    TnPackage root("a", "1");
    root.set("b", "2");
    root.set("c", "x(y)");
    EXPECT_EQ(root.compact(), TnString("(a=1(b=2)(c=x\\(y\\)))"));
    EXPECT_EQ(root.objtype(), 1);

    TnPackage back;
    ASSERT_TRUE(back.expand(root.compact()));
    EXPECT_EQ(back.name(), TnString("a"));
    EXPECT_EQ(back.value(), TnString("1"));
    ASSERT_EQ(back.length(), 2);
    EXPECT_EQ(back.get(1)->value(), TnString("x(y)"));
    EXPECT_EQ(back.compact(), root.compact());

    EXPECT_EQ(TnPackage().compact(), TnString("(=)"));
    TnPackage tricky("=\\", "a=b\\");
    TnPackage tricky2;
    ASSERT_TRUE(tricky2.expand(tricky.compact()));
    EXPECT_EQ(tricky2.name(), TnString("=\\"));
    EXPECT_EQ(tricky2.value(), TnString("a=b\\"));
}

TEST(Package, ListsHashesAndReplacement) {
    TnPackage list;
    list.push(TnString("one"));
    list.push(TnString("two"));
    EXPECT_EQ(list.objtype(), 2);
    EXPECT_EQ(TnPackage().objtype(), 4);

    TnPackage hash;
    hash.set("k", "1");
    hash.set("k", "2");  // replaces the child of that name
    EXPECT_EQ(hash.length(), 1);
    EXPECT_EQ(hash.get(0)->value(), TnString("2"));
    hash.set("renamed", new TnPackage("old", "v"));
    EXPECT_EQ(hash.get(1)->name(), TnString("renamed"));

    TnPackage copy(hash);
    hash.clear();
    EXPECT_EQ(copy.length(), 2);

    TnStringList words;
    copy._collect(words);
    EXPECT_EQ(words.join(","), TnString("k,2,renamed,v"));
}

TEST(Package, MalformedTextNeverFails) {
    TnPackage p;
    EXPECT_FALSE(p.expand("no parenthesis"));
    EXPECT_FALSE(p.expand(""));
    TnPackage q;
    EXPECT_TRUE(q.expand("(a=1 junk(b=2)"));  // unterminated, junk skipped byte by byte
    ASSERT_EQ(q.length(), 1);
    EXPECT_EQ(q.get(0)->name(), TnString("b"));
    TnPackage r;
    EXPECT_TRUE(r.expand("(a"));
    EXPECT_EQ(r.name(), TnString("a"));

    // Deep nesting is cut off instead of overflowing the stack.
    std::string deep(200000, '(');
    TnPackage d;
    EXPECT_TRUE(d.expand(deep.c_str()));
    int depth = 0;
    for (const TnPackage* n = &d; n->length() > 0; n = n->get(0)) ++depth;
    EXPECT_LE(depth, TnPackage::kMaxDepth);
}
