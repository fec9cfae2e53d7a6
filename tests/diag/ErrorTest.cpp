#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diag/TnError.h"
#include "diag/TnMacro.h"
#include "diag/TnOldError.h"

namespace {

template <class T>
bool binaryTrip(T& from, T& to) {
    from.pack();
    return to.unpack(from.packContents(), from.packSize()) == 0;
}

template <class T>
bool xmlTrip(T& from, T& to) {
    from.packXML();
    std::string xml = std::string("<pack>") + std::string(from.packContents(), from.packSize()) + "</pack>";
    return to.unpackXML(xml.data(), static_cast<int>(xml.size())) == 0;
}

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

std::string var(const TnMacro& m, const char* name) {
    TnString out("<missing>");
    m.get(name, out);
    return str(out);
}

bool upperResolver(const TnString& name, TnString& out) {
    if (name == TnString("HOST")) {
        out = "node7";
        return true;
    }
    if (name == TnString("EMPTYOK")) {
        out = "";
        return true;
    }
    out = "never used";
    return false;
}

}  // namespace

TEST(ErrorText, DefaultsAndUnlistedNumbers) {
    EXPECT_EQ(str(TnError().value()), "none");
    EXPECT_EQ(TnError().integervalue(), -1);
    // Gaps inside the ranges, the ends just outside them and numbers far off all fall back.
    for (int n : {0, -2, 29, 36, 41, 1038, 1052, 2050, 2053, 3062, 4061, 4073, 99999, 100001, 0x7fffffff})
        EXPECT_EQ(str(TnError(n).value()), "general error") << n;
    EXPECT_EQ(str(TnError(3061).value()), "couldn't find host(s).");
    EXPECT_EQ(str(TnError(2052).value()), "ERROR: data returned blank");
    EXPECT_EQ(str(TnError(1051).value()), "connection rejected - too many connections");
    TnError e;
    e.value(4072);
    EXPECT_EQ(e.integervalue(), 4072);
    EXPECT_EQ(str(e.value()), "Worker received duplicate job.");
}

TEST(ErrorText, TemplatesWithVariables) {
    struct Case {
        int number;
        const char* prefix;
    };
    const Case withError[] = {
        {2, "openssl error: "},
        {11, "udp bind fail: "},
        {13, "udp send fail: "},
        {17, "tcp receive fail: "},
        {19, "couldn't read tcp comm length: "},
        {23, "openssl tcp receive fail: "},
        {25, "couldn't read openssl tcp comm length: "},
        {37, "unable to connect to host: "},
        {1039, "select fail: "},
        {1046, "unable to obtain socket info - "},
        {1048, "udp bind fail: "},
        {1049, "openssl tcp bind fail: "},
        {1050, "tcp bind fail: "},
        {3060, "job submission denied - "},
        {100000, ""},
    };
    for (const Case& c : withError) {
        TnError e(c.number);
        EXPECT_EQ(str(e.value()), c.prefix) << c.number;
        e.set("ERROR", "Address already in use");
        EXPECT_EQ(str(e.value()), std::string(c.prefix) + "Address already in use") << c.number;
    }
    for (int n : {18, 24, 31}) {
        TnError e(n);
        e.set("ERROR", "ignored");
        e.set("VERSION", "3");
        std::string text = str(e.value());
        EXPECT_EQ(text.substr(text.size() - 26), "doesn't match - version: 3") << n;
    }
    EXPECT_EQ(str(TnError(18).value()), "tcp comm version doesn't match - version: ");
    EXPECT_EQ(str(TnError(24).value()), "openssl tcp comm version doesn't match - version: ");
    EXPECT_EQ(str(TnError(31).value()), "udp comm version doesn't match - version: ");

    TnError big(3065);
    big.set("SIZE", "1048576");
    EXPECT_EQ(str(big.value()),
              "log file too large >1048576 bytes and has been truncated. please refer to job log directory "
              "located on the supervisor for the entire file.");

    // A later set replaces the earlier value; the value itself is not expanded again.
    TnError e(100000);
    e.set("ERROR", "first");
    e.set("ERROR", "cost $VERSION");
    e.set("VERSION", "2");
    EXPECT_EQ(str(e.value()), "cost $VERSION");
}

TEST(ErrorCopy, CopiesAreDeep) {
    TnError a(1050);
    a.set("ERROR", "in use");
    TnError b(a);
    TnError c;
    c = a;
    a.set("ERROR", "changed");
    a.value(11);
    EXPECT_EQ(str(b.value()), "tcp bind fail: in use");
    EXPECT_EQ(str(c.value()), "tcp bind fail: in use");
    c = c;
    EXPECT_EQ(c.integervalue(), 1050);
}

TEST(MacroParse, References) {
    TnMacro m;
    m.set("ERROR", "a");
    m.set("A_1", "one");
    m.set("", "empty-name");
    m.set("A B", "spaced");
    auto parse = [&](const char* t) { return str(m.parse(t)); };

    EXPECT_EQ(parse("$(ERROR)x"), "ax");
    EXPECT_EQ(parse("$ERRORx"), "");
    EXPECT_EQ(parse("$ERROR x"), "a x");
    EXPECT_EQ(parse("[$A_1]"), "[one]");
    EXPECT_EQ(parse("$A_1$ERROR"), "onea");
    // A missing ")" takes the rest of the template as the name.
    EXPECT_EQ(parse("x$(ERROR"), "xa");
    EXPECT_EQ(parse("x$(ERR"), "x");
    // Anything goes inside parentheses, and an empty name is looked up like any other.
    EXPECT_EQ(parse("$(A B)!"), "spaced!");
    EXPECT_EQ(parse("$()"), "empty-name");
    EXPECT_EQ(parse("$-"), "empty-name-");
    EXPECT_EQ(parse("cost: 5$"), "cost: 5empty-name");
    EXPECT_EQ(parse(""), "");
    EXPECT_EQ(parse("no references"), "no references");
    EXPECT_EQ(parse("$((ERROR))"), ")");

    TnMacro bare;
    EXPECT_EQ(str(bare.parse("$$ERROR$")), "");
    EXPECT_EQ(str(bare.parse("100$ or $(x)y")), "100 or y");
    // Only ASCII letters, digits and "_" make up a bare name.
    bare.set("caf", "X");
    EXPECT_EQ(str(bare.parse("$caf\xc3\xa9")), "X\xc3\xa9");

    // Bytes after a NUL are still template text.
    TnString withNul("a\0$(ERROR)b", 11);
    EXPECT_EQ(str(m.parse(withNul)), std::string("a\0ab", 4));
}

TEST(MacroParse, Resolver) {
    TnMacro m;
    m.set("HOST", "from-variable");
    EXPECT_EQ(str(m.parse("$HOST/$EMPTYOK/$OTHER.")), "from-variable//.");
    TnMacro r;
    r.set(upperResolver);
    EXPECT_EQ(r.resolver(), &upperResolver);
    EXPECT_EQ(str(r.parse("$HOST/$EMPTYOK/$OTHER.")), "node7//.");
    r.set("HOST", "from-variable");
    EXPECT_EQ(str(r.parse("$(HOST)")), "from-variable");
    TnString out("kept");
    EXPECT_FALSE(r.get("OTHER", out));
    EXPECT_FALSE(r.get("EMPTYOK", out));  // get sees the variables only
    EXPECT_EQ(str(out), "kept");
    EXPECT_TRUE(r.get("HOST", out));
    EXPECT_EQ(str(out), "from-variable");
}

TEST(DiagPack, ErrorRoundTrips) {
    TnError a(1050);
    a.set("ERROR", "Address already in use");
    a.set("VERSION", "<2> & \"3\"");
    a.set("EMPTY", "");

    TnError b;
    ASSERT_TRUE(binaryTrip(a, b));
    TnError c;
    ASSERT_TRUE(xmlTrip(a, c));
    for (TnError* e : {&b, &c}) {
        EXPECT_EQ(e->integervalue(), 1050);
        EXPECT_EQ(e->values().variables().length(), 3);
        EXPECT_EQ(var(e->values(), "ERROR"), "Address already in use");
        EXPECT_EQ(var(e->values(), "VERSION"), "<2> & \"3\"");
        EXPECT_EQ(var(e->values(), "EMPTY"), "");
        EXPECT_EQ(str(e->value()), "tcp bind fail: Address already in use");
    }

    // The default (number -1, no variables) survives too, over a record that held others.
    TnError none;
    TnError d(7);
    ASSERT_TRUE(binaryTrip(none, d));
    EXPECT_EQ(d.integervalue(), -1);
    EXPECT_EQ(str(d.value()), "none");
    TnError x(7);
    ASSERT_TRUE(xmlTrip(none, x));
    EXPECT_EQ(x.integervalue(), -1);

    // The field order and tags on the wire: number under tag 1, then the macro (type 98) under
    // tag 2.
    TnError n(5);
    n.pack();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(n.packContents());
    ASSERT_GE(n.packSize(), 26);
    const unsigned char head[] = {0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 5, 0, 2, 0, 4, 0, 0, 0, 98};
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 20), std::string(reinterpret_cast<const char*>(head), 20));
    EXPECT_EQ(n.type(), 175);
    EXPECT_EQ(str(n.typeXML()), "err");
}

TEST(DiagPack, MacroAndOldErrorRoundTrips) {
    TnMacro m;
    m.set("A", "1");
    m.set("B", "two words");
    m.set(upperResolver);
    TnMacro b, c;
    ASSERT_TRUE(binaryTrip(m, b));
    ASSERT_TRUE(xmlTrip(m, c));
    for (TnMacro* got : {&b, &c}) {
        EXPECT_EQ(got->variables().length(), 2);
        EXPECT_EQ(var(*got, "A"), "1");
        EXPECT_EQ(var(*got, "B"), "two words");
        EXPECT_EQ(got->resolver(), nullptr);  // the resolver stays local
    }
    EXPECT_EQ(m.type(), 98);
    EXPECT_EQ(str(m.typeXML()), "macro");

    TnOldError o(TnString("it failed: <a> & \"b\"\nsecond line"));
    TnOldError ob, ox;
    ASSERT_TRUE(binaryTrip(o, ob));
    ASSERT_TRUE(xmlTrip(o, ox));
    EXPECT_EQ(str(ob.value()), "it failed: <a> & \"b\"\nsecond line");
    EXPECT_EQ(str(ox.value()), "it failed: <a> & \"b\"\nsecond line");
    EXPECT_EQ(o.type(), 52);
    EXPECT_EQ(str(o.typeXML()), "error");
    TnOldError empty;
    EXPECT_EQ(str(empty.value()), "");
    empty.value("set");
    EXPECT_EQ(str(empty.value()), "set");
}

TEST(DiagPack, TruncatedAndForeignInputIsHarmless) {
    TnError a(1050);
    a.set("ERROR", "Address already in use");
    a.pack();
    std::string whole(a.packContents(), a.packSize());
    for (size_t n = 0; n < whole.size(); ++n) {
        TnError e;
        e.unpack(whole.data(), static_cast<int>(n));  // must neither crash nor leak
        EXPECT_TRUE(e.integervalue() == -1 || e.integervalue() == 1050);
    }
    // A TnOldError's bytes hold no field a TnError knows.
    TnOldError o(TnString("text"));
    o.pack();
    TnError e(3);
    e.unpack(o.packContents(), o.packSize());
    EXPECT_EQ(e.integervalue(), 3);
    EXPECT_EQ(e.values().variables().length(), 0);

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
