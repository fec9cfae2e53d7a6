#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/TnBaseHash.h"
#include "core/TnBaseList.h"
#include "core/TnIntHash.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"

namespace {

// Counts live objects so that ownership mistakes show as a wrong count (or a sanitizer report).
struct Counted {
    static int alive;
    explicit Counted(int v = 0) : value(v) { ++alive; }
    Counted(const Counted& o) : value(o.value) { ++alive; }
    ~Counted() { --alive; }
    int value;
};
int Counted::alive = 0;

int byValue(const Counted* a, const Counted* b) { return (a->value > b->value) - (a->value < b->value); }

// Two keys whose hashes collide: sum of byte_k * 7^k is 7 for both.
const TnString kSeven("\x07", 1);
const TnString kSevenToo("\x00\x01", 2);

}  // namespace

TEST(List, EmptyAndBounds) {
    TnBaseList<Counted> l;
    EXPECT_EQ(l.length(), 0);
    EXPECT_EQ(l.get(0), nullptr);
    EXPECT_EQ(l.pop(), nullptr);
    EXPECT_EQ(l.top(), nullptr);
    EXPECT_EQ(l.remove(0), nullptr);
    Counted* refused = new Counted;
    EXPECT_EQ(l.set(refused, 0), 0);  // out of range: the caller still owns it
    delete refused;
}

TEST(List, OwnershipOfPushPopRemoveReleaseSteal) {
    Counted::alive = 0;
    {
        TnBaseList<Counted> l;
        for (int i = 0; i < 10; ++i) EXPECT_TRUE(l.push(new Counted(i)));
        EXPECT_EQ(l.get(9)->value, 9);
        Counted* last = l.pop();
        EXPECT_EQ(last->value, 9);
        delete last;
        Counted* third = l.remove(2);
        EXPECT_EQ(third->value, 2);
        EXPECT_EQ(l.get(2)->value, 3);  // the gap closed
        delete third;
        EXPECT_EQ(Counted::alive, 8);

        TnBaseList<Counted> other;
        other.push(new Counted(100));
        l.steal(other);  // clears l first, then takes other's elements
        EXPECT_EQ(l.length(), 1);
        EXPECT_EQ(other.length(), 0);
        EXPECT_EQ(Counted::alive, 1);

        TnBaseList<Counted> copy(l);
        EXPECT_EQ(Counted::alive, 2);
        EXPECT_NE(copy.get(0), l.get(0));

        Counted borrowed(5);
        TnBaseList<Counted> view;
        view.push(&borrowed);
        view.release();  // never deletes the borrowed object
        EXPECT_EQ(view.length(), 0);
        view.push(new Counted(1));
        view.clear();
        EXPECT_EQ(view.length(), 0);
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(List, SortMatchesStandardOrder) {
    srand(7);
    for (int n : {2, 3, 17, 1000}) {
        TnBaseList<Counted> l;
        std::vector<int> want;
        for (int i = 0; i < n; ++i) {
            int v = rand() % 50;  // many equal keys
            l.push(new Counted(v));
            want.push_back(v);
        }
        l.sort(byValue);
        std::sort(want.begin(), want.end());
        for (int i = 0; i < n; ++i) ASSERT_EQ(l.get(i)->value, want[i]) << "n=" << n << " i=" << i;
    }
    TnBaseList<Counted> sorted;  // already ordered input must not degrade the recursion
    for (int i = 0; i < 100000; ++i) sorted.push(new Counted(i));
    sorted.sort(byValue);
    EXPECT_EQ(sorted.get(99999)->value, 99999);
    Counted::alive = 0;
}

TEST(Hash, SetReplaceRemove) {
    Counted::alive = 0;
    {
        TnBaseHash<Counted> h;
        EXPECT_EQ(h.get("a"), nullptr);
        EXPECT_EQ(h.set(nullptr, "a"), 0);
        h.set(new Counted(1), "a");
        h.set(new Counted(2), "a");
        EXPECT_EQ(h.length(), 1);
        EXPECT_EQ(h.get("a")->value, 2);
        EXPECT_EQ(Counted::alive, 1);  // the first value was deleted on replacement
        Counted* out = h.remove("a");
        EXPECT_EQ(out->value, 2);
        EXPECT_EQ(h.length(), 0);
        delete out;
        EXPECT_EQ(h.remove("a"), nullptr);
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(Hash, DeleteAndReinsertAlongOneProbePath) {
    TnBaseHash<Counted> h;
    h.set(new Counted(1), kSeven);
    h.set(new Counted(2), kSevenToo);  // second slot of the same path
    delete h.remove(kSeven);
    EXPECT_EQ(h.get(kSevenToo)->value, 2);  // found past the deleted slot
    h.set(new Counted(3), kSevenToo);       // replaced in place, not duplicated into the hole
    EXPECT_EQ(h.length(), 1);
    h.set(new Counted(4), kSeven);
    EXPECT_EQ(h.get(kSeven)->value, 4);
    EXPECT_EQ(h.get(kSevenToo)->value, 3);
    EXPECT_EQ(h.length(), 2);
}

TEST(Hash, ResizeKeepsEverythingFindable) {
    TnBaseHash<Counted> h;
    EXPECT_EQ(h.slotcount(), 17);
    int firstGrowth = 0;
    for (int i = 0; i < 5000; ++i) {
        h.set(new Counted(i), TnString("key") + i);
        if (!firstGrowth && h.slotcount() != 17) firstGrowth = h.slotcount();
    }
    EXPECT_GE(firstGrowth, 69);
    EXPECT_LE(firstGrowth, 168);
    EXPECT_EQ(h.length(), 5000);
    for (int i = 0; i < 5000; i += 2) delete h.remove(TnString("key") + i);
    TnBaseHash<Counted> copy(h);
    EXPECT_EQ(copy.slotcount(), h.slotcount());
    EXPECT_EQ(copy.length(), 2500);
    for (int i = 1; i < 5000; i += 2) ASSERT_EQ(copy.get(TnString("key") + i)->value, i);
    EXPECT_EQ(copy.get("key0"), nullptr);
}

TEST(Hash, KeysAreBorrowedCopykeysOwned) {
    TnStringHash h;
    h.set(new TnString("1"), "one");
    h.set(new TnString("2"), "two");
    {
        TnBaseList<TnString> borrowed;
        h.keys(borrowed);
        EXPECT_EQ(borrowed.length(), 2);
        borrowed.release();
    }
    EXPECT_EQ(*h.get("one"), TnString("1"));
    TnStringList owned;
    h.copykeys(owned);
    EXPECT_EQ(owned.length(), 2);
    owned.sort();
    EXPECT_EQ(owned.join(","), TnString("one,two"));
    TnBaseList<TnString> values;
    h.values(values);
    EXPECT_EQ(values.length(), 2);
    h.release();  // the table forgets its values; the list above now holds the only pointers
    EXPECT_EQ(h.length(), 0);
    EXPECT_EQ(h.get("one"), nullptr);
    values.clear();
}

TEST(Hash, SimpleHashOfInts) {
    TnIntHash h;
    h.set(1, "a");
    h.set(2, "a");
    EXPECT_EQ(h.length(), 1);
    EXPECT_EQ(*h.get("a"), 2);
    int out = 0;
    EXPECT_TRUE(h.remove("a", &out));
    EXPECT_EQ(out, 2);
    EXPECT_EQ(h.get("a"), nullptr);
    for (int i = 0; i < 1000; ++i) h.set(i, TnString(i));
    TnIntHash copy(h);
    EXPECT_EQ(*copy.get("999"), 999);
}
