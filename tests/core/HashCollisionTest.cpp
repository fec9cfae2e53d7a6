#include <gtest/gtest.h>

#include <string>

#include "core/TnBaseHash.h"
#include "core/TnIntHash.h"

namespace {

// Two-letter blocks of equal weight under the 7^k sum: any mix of them gives one hash value.
TnString colliding(int i) {
    std::string s = "k";
    for (int b = 0; b < 14; ++b) s += ((i >> b) & 1) ? "ha" : "ab";
    return TnString(s.c_str());
}

}  // namespace

TEST(HashCollisions, KeysSharingOneHashStayFindable) {
    ASSERT_EQ(TnBaseHash<TnString>::hash(colliding(0)), TnBaseHash<TnString>::hash(colliding(12345)));
    const int n = 6000;
    TnBaseHash<TnString> h;
    for (int i = 0; i < n; ++i) ASSERT_EQ(h.set(new TnString(TnString() + i), colliding(i)), 1);
    EXPECT_EQ(h.length(), n);
    EXPECT_LT(h.slotcount(), 100000);  // no runaway growth
    for (int i = 0; i < n; ++i) {
        const TnString* v = h.get(colliding(i));
        ASSERT_TRUE(v) << i;
        EXPECT_EQ(v->integervalue(), i);
    }
    // Replacing, removing and copying behave as with well-spread keys.
    h.set(new TnString("again"), colliding(7));
    EXPECT_EQ(h.length(), n);
    for (int i = 0; i < n; i += 2) delete h.remove(colliding(i));
    EXPECT_EQ(h.length(), n / 2);
    TnBaseHash<TnString> copy(h);
    for (int i = 1; i < n; i += 2) ASSERT_TRUE(copy.get(colliding(i))) << i;
    EXPECT_FALSE(copy.get(colliding(0)));
    EXPECT_EQ(*copy.get(colliding(7)), TnString("again"));
    for (int i = 0; i < n; i += 2) h.set(new TnString("back"), colliding(i));
    EXPECT_EQ(h.length(), n);
    EXPECT_EQ(*h.get(colliding(4)), TnString("back"));
}

TEST(HashCollisions, NumberedNamesAsTheXmlReaderMakesThem) {
    // item, item1, ... crowd into few hash values; every one must still be placed and found.
    const int n = 200000;
    TnIntHash h;
    for (int i = 0; i < n; ++i) h.set(i, i == 0 ? TnString("item") : TnString("item") + i);
    ASSERT_EQ(h.length(), n);
    for (int i = 0; i < n; ++i) {
        const int* v = h.get(i == 0 ? TnString("item") : TnString("item") + i);
        ASSERT_TRUE(v) << i;
        ASSERT_EQ(*v, i);
    }
    EXPECT_FALSE(h.get(TnString("item") + n));
}
