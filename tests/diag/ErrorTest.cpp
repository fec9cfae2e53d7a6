#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diag/TnError.h"
#include "diag/TnOldError.h"

namespace {

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

// Sends `from` through the binary form, then the XML form, into fresh objects.
template <class T>
void trips(T& from, T& bin, T& xml) {
    from.pack();
    ASSERT_EQ(bin.unpack(from.packContents(), from.packSize()), 0);
    from.packXML();
    std::string text = "<pack>" + std::string(from.packContents(), from.packSize()) + "</pack>";
    ASSERT_EQ(xml.unpackXML(text.data(), static_cast<int>(text.size())), 0);
}

std::string var(const TnMacro& m, const char* name) {
    TnString out("<missing>");
    m.get(name, out);
    return str(out);
}

bool hostResolver(const TnString& name, TnString& out) {
    out = name == TnString("HOST") ? "node7" : "never used";
    return name == TnString("HOST");
}

}  // namespace

TEST(ErrorText, Templates) {
    EXPECT_EQ(str(TnError().value()), "none");
    for (int n : {0, -2, 29, 36, 41, 1038, 1052, 2053, 3062, 4073, 99999, 100001})
        EXPECT_EQ(str(TnError(n).value()), "general error") << n;
    EXPECT_EQ(str(TnError(4072).value()), "Worker received duplicate job.");

    const struct {
        int number;
        const char* name;
        const char* text;  // with the variable set to "V"
    } withVariable[] = {
        {2, "ERROR", "openssl error: V"},
        {11, "ERROR", "udp bind fail: V"},
        {13, "ERROR", "udp send fail: V"},
        {17, "ERROR", "tcp receive fail: V"},
        {18, "VERSION", "tcp comm version doesn't match - version: V"},
        {19, "ERROR", "couldn't read tcp comm length: V"},
        {23, "ERROR", "openssl tcp receive fail: V"},
        {24, "VERSION", "openssl tcp comm version doesn't match - version: V"},
        {25, "ERROR", "couldn't read openssl tcp comm length: V"},
        {31, "VERSION", "udp comm version doesn't match - version: V"},
        {37, "ERROR", "unable to connect to host: V"},
        {1039, "ERROR", "select fail: V"},
        {1046, "ERROR", "unable to obtain socket info - V"},
        {1048, "ERROR", "udp bind fail: V"},
        {1049, "ERROR", "openssl tcp bind fail: V"},
        {1050, "ERROR", "tcp bind fail: V"},
        {3060, "ERROR", "job submission denied - V"},
        {3065, "SIZE",
         "log file too large >V bytes and has been truncated. please refer to job log directory located on the "
         "supervisor for the entire file."},
        {100000, "ERROR", "V"},
    };
    for (const auto& c : withVariable) {
        TnError e(c.number);
        e.set(c.name, "V");
        EXPECT_EQ(str(e.value()), c.text) << c.number;
    }

    // Without the variable the reference vanishes; a later set replaces an earlier one and a
    // value is never expanded again.
    TnError e(1050);
    EXPECT_EQ(str(e.value()), "tcp bind fail: ");
    e.set("ERROR", "Address already in use");
    EXPECT_EQ(str(e.value()), "tcp bind fail: Address already in use");
    e.set("ERROR", "cost $VERSION");
    e.set("VERSION", "2");
    EXPECT_EQ(str(e.value()), "tcp bind fail: cost $VERSION");

    TnError copy(e), assigned;
    assigned = e;
    e.set("ERROR", "changed");
    e.value(11);
    EXPECT_EQ(str(copy.value()), "tcp bind fail: cost $VERSION");
    EXPECT_EQ(assigned.integervalue(), 1050);
    EXPECT_EQ(var(assigned.values(), "ERROR"), "cost $VERSION");
}

TEST(MacroParse, References) {
    TnMacro m;
    m.set("ERROR", "a");
    m.set("A_1", "one");
    m.set("", "E");
    m.set("A B", "spaced");
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"$(ERROR)x", "ax"},     {"$ERRORx", ""},        {"$ERROR x", "a x"},  {"[$A_1$ERROR]", "[onea]"},
        {"x$(ERROR", "xa"},      {"x$(ERR", "x"},        {"$(A B)!", "spaced!"}, {"$()", "E"},
        {"$-", "E-"},            {"5$", "5E"},           {"$((ERROR))", ")"},  {"", ""},
        {"$caf\xc3\xa9", "\xc3\xa9"},
    };
    for (const auto& c : cases) EXPECT_EQ(str(m.parse(c.in)), c.out) << c.in;
    EXPECT_EQ(str(m.parse(TnString("a\0$(ERROR)b", 11))), std::string("a\0ab", 4));
    EXPECT_EQ(str(TnMacro().parse("100$ or $(x)y$$")), "100 or y");

    // The resolver answers only for names the variables lack; a false answer drops the text.
    TnMacro r;
    r.set(hostResolver);
    EXPECT_EQ(str(r.parse("$HOST/$OTHER.")), "node7/.");
    r.set("HOST", "from-variable");
    EXPECT_EQ(str(r.parse("$(HOST)")), "from-variable");
    TnString out("kept");
    EXPECT_FALSE(TnMacro(r).get("OTHER", out));
    EXPECT_EQ(str(out), "kept");
}

TEST(DiagPack, RoundTrips) {
    TnError a(1050), b, x;
    a.set("ERROR", "Address already in use");
    a.set("VERSION", "<2> & \"3\"");
    a.set("EMPTY", "");
    trips(a, b, x);
    for (TnError* e : {&b, &x}) {
        EXPECT_EQ(e->integervalue(), 1050);
        EXPECT_EQ(e->values().variables().length(), 3);
        EXPECT_EQ(var(e->values(), "VERSION"), "<2> & \"3\"");
        EXPECT_EQ(var(e->values(), "EMPTY"), "");
        EXPECT_EQ(str(e->value()), "tcp bind fail: Address already in use");
    }
    TnError none, nb(7), nx(7);
    trips(none, nb, nx);
    EXPECT_EQ(nb.integervalue(), -1);
    EXPECT_EQ(nx.integervalue(), -1);

    // Number under tag 1, then the macro (type 98) as an object under tag 2.
    TnError n(5);
    n.pack();
    const char head[] = {0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 5, 0, 2, 0, 4, 0, 0, 0, 98};
    ASSERT_GE(n.packSize(), 20);
    EXPECT_EQ(memcmp(n.packContents(), head, 20), 0);

    TnMacro m, mb, mx;
    m.set("B", "two words");
    m.set(hostResolver);
    trips(m, mb, mx);
    EXPECT_EQ(var(mb, "B"), "two words");
    EXPECT_EQ(var(mx, "B"), "two words");
    EXPECT_EQ(mb.resolver(), nullptr);  // the resolver stays with the process

    TnOldError o(TnString("it failed: <a> & \"b\"\nsecond line")), ob, ox;
    trips(o, ob, ox);
    EXPECT_EQ(str(ob.value()), "it failed: <a> & \"b\"\nsecond line");
    EXPECT_EQ(str(ox.value()), "it failed: <a> & \"b\"\nsecond line");
}

TEST(DiagPack, MalformedInputIsHarmless) {
    TnError a(1050);
    a.set("ERROR", "Address already in use");
    a.pack();
    std::string whole(a.packContents(), a.packSize());
    for (size_t n = 0; n < whole.size(); ++n) {
        TnError e;
        e.unpack(whole.data(), static_cast<int>(n));
        EXPECT_TRUE(e.integervalue() == -1 || e.integervalue() == 1050);
    }
    TnOldError o(TnString("text"));
    o.pack();
    TnError e(3);
    e.unpack(o.packContents(), o.packSize());  // a string under tag 1 is no number
    EXPECT_EQ(e.integervalue(), 3);

    const char* bad = "<pack><object type = 'err'><number>12</number><values>oops</values></object></pack>";
    TnError x;
    x.unpackXML(bad, static_cast<int>(strlen(bad)));
    EXPECT_EQ(x.values().variables().length(), 0);
}

TEST(DiagFatal, ExitsWithStatusOne) {
    EXPECT_EXIT(FATALERROR(42), testing::ExitedWithCode(1), "^Error: 42\n$");
    EXPECT_EXIT(FATALERROR("disk gone"), testing::ExitedWithCode(1), "^OldError: disk gone\n$");
    EXPECT_EXIT(FATALERROR(TnString("no port")), testing::ExitedWithCode(1), "^OldError: no port\n$");
}
