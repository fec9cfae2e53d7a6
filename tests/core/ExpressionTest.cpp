#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/TnExpression.h"
#include "core/TnExpressionList.h"
#include "core/TnReference.h"
#include "core/TnScalar.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"

namespace {

TnScalar run(const char* text, int notation = 0, int* parsed = nullptr) {
    TnExpression e;
    int ok = e.parse(text, notation);
    if (parsed) *parsed = ok;
    TnScalar s;
    e.eval(s);
    return s;
}

int integer(const char* text, int notation = 0) {
    TnScalar s = run(text, notation);
    EXPECT_EQ(s.scalartype(), TnScalar::kInteger) << text;
    return s.integervalue();
}

float real(const char* text) {
    TnScalar s = run(text);
    EXPECT_EQ(s.scalartype(), TnScalar::kFloat) << text;
    return s.floatvalue();
}

std::vector<std::string> items(const TnStringList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.length(); ++i) out.emplace_back(list.get(i)->value(), list.get(i)->length());
    return out;
}

typedef std::vector<std::string> Words;

template <class F>
Words cut(F f, const char* text) {
    TnStringList out;
    f(TnString(text), out);
    return items(out);
}

// Names it does not know are literals and stand for themselves.
void processors(const TnString& name, TnString& out) { out = name == "host.processors" ? TnString("4") : name; }

unsigned char onlyhost(const TnString& name) { return name.find("host.") ? 1 : 0; }

// A resolver over a fixed table that counts its own destructions.
int gDestroyed = 0;
class Table : public TnReference {
public:
    ~Table() override { ++gDestroyed; }
    void value(const TnString& name, TnString& out) override {
        if (name == "job.priority")
            out = "50";
        else if (name == "host.os")
            out = "linux";
        else
            out = name;
    }
    unsigned char isvalid(const TnString& name) override { return name != "bogus"; }
    unsigned char isvariable(const TnString& name) override { return name.find(".") ? 1 : 0; }
};

}  // namespace

// Each text evaluated as an integer.
TEST(Expression, IntegerResults) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        // Precedence and grouping; equal strengths group from the right.
        {"2 + 3 * 4", 14}, {"(2 + 3) * 4", 20}, {"2*3-1", 5}, {"10 - 4 - 3", 9}, {"8 / 4 / 2", 4},
        {"(10 - 4) - 3", 3}, {"1 + 2 < 4", 1}, {"1 < 2 and 3 > 2", 1}, {"1 < 2 && 3 < 2", 0},
        {"0 || 3 < 2 or 1", 1}, {"1 << 2 + 1", 8} /* shifts bind most loosely */, {"1 + 3 max 7", 7},
        {"6 & 3 | 8", 2} /* 6 & (3 | 8) */, {"6 ^ 3", 5}, {"6 xor 3", 5}, {"7 mod 4 add 2 mul 3 sub 1 div 1", 8},
        // Unary operators.
        {"-3 + 5", 2}, {"- 3 * 2", -6}, {"2 * - 3", -6}, {"- - 3", 3}, {"not 0", 1}, {"! 5", 0}, {"!!5", 1},
        {"not 0 and 0", 0}, {"not (0 and 0)", 1}, {"4 - -2", 6},
        // Typed operands.
        {"5 / 2", 2}, {"1 <> 2", 1}, {"-7 % 3", -1}, {"3 max 7", 7}, {"3 min 7", 3}, {"3 in 3", 1}, {"3 has 4", 0},
        // Texts: lists are trimmed, no ordering, no arithmetic; "and" reads both sides as integers.
        {"linux in \"linux,win32\"", 1}, {"irix in \"linux,win32\"", 0}, {"\"a, b\" has b", 1},
        {"\"a, b\" has c", 0}, {"2 in \"1, 2,3\"", 1}, {"abc < abd", 0}, {"abc == abc", 1}, {"abc eq abd", 0},
        {"abc != abd", 1}, {"abc ne abc", 0}, {"abc + 1", 0}, {"abc max 1", 0}, {"'5x' and '2y'", 1},
        {"'5x' and 'y'", 0}, {"'3 ' == 3", 0},
        // Division by zero and overflow never trap.
        {"8 / 0", 8}, {"7 % 0", 0}, {"7 mod 0", 0}, {"2147483647 + 1", INT_MIN},
        {"0 - 2147483647 - 2", -2147483647 + 2}, {"65536 * 65536", 0}, {"-2147483647 - 1 / -1", -2147483646},
        {"(-2147483647 - 1) / -1", INT_MIN}, {"(-2147483647 - 1) % -1", 0}, {"- (-2147483647 - 1)", INT_MIN},
        {"1 << 33", 2}, {"1 << 31", INT_MIN}, {"1 << -1", INT_MIN}, {"-8 >> 1", -4}, {"-8 rs 33", -4}, {"3 ls 2", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(integer(c.text), c.value) << c.text;
}

TEST(Expression, FloatResults) {
    // Floats have no remainder, bit or shift operators, and "<>" is not among their comparisons.
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"-2.5", -2.5f}, {"not 0.0", 1.0f},     {"! 0.5", 0.0f},          {"2.5 * 2", 5.0f},  {"5.0 / 2", 2.5f},
        {"3 == 3.0", 1.0f}, {"2.5 max 1", 2.5f}, {"2.5 min 1", 1.0f},     {"1.5 < 2 and 0.0", 0.0f},
        {"7.5 % 2", 0.0f},  {"1.0 <> 2", 0.0f},  {"8.0 / 0", 8.0f},       {"8 div 0.0", 8.0f},
    };
    for (const auto& c : cases) EXPECT_FLOAT_EQ(real(c.text), c.value) << c.text;

    // A text has no unary rule: the result takes the text kind and keeps its own text.
    TnExpression e;
    ASSERT_EQ(e.parse("- abc"), 1);
    TnScalar s(TnString("kept"));
    s.value(7);
    e.eval(s);
    EXPECT_EQ(s.scalartype(), TnScalar::kText);
    EXPECT_EQ(s.stringvalue(), "kept");
    EXPECT_EQ(TnScalar(1e30f).integervalue(), INT_MAX);
    EXPECT_EQ(TnScalar(TnString("-1.5")).integervalue(), -1);
}

TEST(Expression, ParseResults) {
    const struct {
        const char* text;
        int notation, result;
    } cases[] = {
        {"1 2", 0, 0}, {"", 0, 0}, {" \t\r\n", 0, 0}, {"()", 0, 0}, {"2 +", 1, 0},
        {"+ 2", 2, 0}, {"1 2", 1, 0}, {"", 2, 0},    {"1 2 +", 1, 1},
    };
    for (const auto& c : cases) {
        int ok = -1;
        run(c.text, c.notation, &ok);
        EXPECT_EQ(ok, c.result) << c.text << " " << c.notation;
    }

    // Missing operands do not fail the parse; they leave the result alone.
    TnExpression e;
    EXPECT_EQ(e.parse("1 +"), 1);
    EXPECT_EQ(e.op(), "+");
    EXPECT_EQ(e.a(), nullptr);
    TnScalar s(42);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 42);

    EXPECT_EQ(e.parse("(1 + 2"), 1);
    EXPECT_EQ(e.op(), "(");
    s.value(42);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 42);

    EXPECT_EQ(e.parse("1 + 2)"), 1);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 3);

    EXPECT_EQ(e.parse("((7))"), 1);
    EXPECT_TRUE(e.isleaf());
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 7);

    // A parse replaces whatever the node held before.
    EXPECT_EQ(e.parse("abc"), 1);
    EXPECT_EQ(e.a(), nullptr);
    EXPECT_EQ(e.b(), nullptr);
    EXPECT_EQ(e.op(), "");
}

TEST(Expression, OperatorWordsInOperandPlace) {
    TnExpression e;
    EXPECT_EQ(e.parse("min"), 1);
    EXPECT_EQ(e.name(), "min");
    EXPECT_EQ(e.parse("in in \"in,out\""), 1);
    EXPECT_EQ(e.op(), "in");
    EXPECT_EQ(e.a()->name(), "in");
    TnScalar s;
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 1);
    // "?" and "," are operands, so these are two trees.
    EXPECT_EQ(e.parse("1 ? 2"), 0);
}

TEST(Expression, MatchOperatorDependsOnTokenizer) {
    TnExpression e;
    EXPECT_EQ(e.parse("a =~ b"), 0);
    EXPECT_EQ(e.callbackparse("a =~ b"), 1);
    EXPECT_EQ(e.op(), "=~");
    TnScalar s(5);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 0);
}

TEST(Expression, CallbackAndValueParsing) {
    TnExpression e;
    EXPECT_EQ(e.callbackparse("(job.done eq 1) and not (host.down eq 1)"), 1);
    TnScalar s;
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 0);
    EXPECT_EQ(e.callbackparse("-3 lt 2"), 1);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 1);
    EXPECT_EQ(e.valueparse("{a b} eq 'a b'"), 1);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 1);
}

TEST(Expression, PostfixAndPrefixKeepOperandOrder) {
    const struct {
        const char* text;
        int notation, value;
    } cases[] = {{"2 3 -", 1, -1}, {"- 2 3", 2, -1}, {"2 3 4 * +", 1, 14}, {"+ 2 * 3 4", 2, 14},
                 {"8 2 / 2 /", 1, 2}, {"0 not", 1, 1}, {"not 0", 2, 1}, {"1 2 3 + not and", 1, 0}};
    for (const auto& c : cases) EXPECT_EQ(integer(c.text, c.notation), c.value) << c.text;
}

TEST(Expression, ResolverFunctions) {
    TnExpression e;
    e.valuereq(processors);
    ASSERT_EQ(e.parse("host.processors > 2"), 1);
    TnScalar s;
    e.eval(s);
    EXPECT_EQ(s.scalartype(), TnScalar::kInteger);
    EXPECT_EQ(s.integervalue(), 1);

    // Resolvers set after the parse reach the whole tree.
    TnExpression f;
    ASSERT_EQ(f.parse("host.processors * 2 + 1"), 1);
    f.eval(s);
    EXPECT_EQ(s.integervalue(), 1);  // text operand: no "+" for texts
    f.valuereq(processors);
    f.eval(s);
    EXPECT_EQ(s.integervalue(), 9);

    // A fixed value wins over the resolver.
    f.a()->b()->value("10");
    f.eval(s);
    EXPECT_EQ(s.integervalue(), 41);

    EXPECT_EQ(f.isvalid(), 1);
    f.validreq(onlyhost);
    EXPECT_EQ(f.isvalid(), 0);  // the literal 1 is checked like any name
    f.b()->value("1");
    EXPECT_EQ(f.isvalid(), 1);
}

TEST(Expression, ValidityFollowsTheRules) {
    TnExpression e;
    e.validreq(onlyhost);
    ASSERT_EQ(e.parse("host.a and host.b"), 1);
    EXPECT_EQ(e.isvalid(), 1);
    ASSERT_EQ(e.parse("host.a and job.b"), 1);
    EXPECT_EQ(e.isvalid(), 0);
    // A leaf with a fixed value needs no check.
    e.a()->name("x");
    e.b()->value("1");
    EXPECT_EQ(e.isvalid(), 0);
    e.a()->value("1");
    EXPECT_EQ(e.isvalid(), 1);
}

TEST(Expression, CountedReference) {
    gDestroyed = 0;
    {
        TnExpression e;
        Table* t = new Table();
        ASSERT_EQ(e.parse("job.priority > 10 and host.os in \"linux,darwin\""), 1);
        e.reference(t);
        EXPECT_EQ(t->count(), 7);  // every node holds it
        TnScalar s;
        e.eval(s);
        EXPECT_EQ(s.integervalue(), 1);

        TnStringList vars;
        e.variables(vars);
        // b's subtree before a's.
        EXPECT_EQ(items(vars), (Words{"host.os", "job.priority"}));
        EXPECT_EQ(e.isvalid(), 1);

        {
            TnExpression copy(e);
            EXPECT_EQ(t->count(), 14);
            TnExpressionList list;
            list.push(new TnExpression(e));
            TnExpressionList other(list);
            EXPECT_EQ(t->count(), 28);
        }
        EXPECT_EQ(t->count(), 7);

        // Setting the same reference again changes nothing.
        e.reference(t);
        EXPECT_EQ(t->count(), 7);
        // Dropping a subtree lets go of its share.
        e.b(nullptr);
        EXPECT_EQ(t->count(), 4);
        EXPECT_EQ(gDestroyed, 0);

        // Replacing the reference frees the old one once nothing holds it.
        e.reference(new Table());
        EXPECT_EQ(gDestroyed, 1);
    }
    EXPECT_EQ(gDestroyed, 2);

    // A parse hands the reference to the nodes it builds.
    gDestroyed = 0;
    {
        TnExpression e;
        Table* t = new Table();
        e.reference(t);
        ASSERT_EQ(e.parse("job.priority - 8"), 1);
        EXPECT_EQ(t->count(), 3);
        TnScalar s;
        e.eval(s);
        EXPECT_EQ(s.integervalue(), 42);
        e.reference(nullptr);
        EXPECT_EQ(gDestroyed, 1);
        e.eval(s);
        EXPECT_EQ(s.integervalue(), 0);  // job.priority is a plain text again
    }
    EXPECT_EQ(gDestroyed, 1);
}

TEST(Expression, CopyIsDeep) {
    TnExpression e;
    ASSERT_EQ(e.parse("1 + 2 * 3"), 1);
    TnExpression c;
    c = e;
    e.b()->b()->name("10");
    TnScalar s;
    c.eval(s);
    EXPECT_EQ(s.integervalue(), 7);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 21);
    // Copying a node's own subtree over it.
    e.copy(*e.b());
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 20);
    TnExpression& alias = e;
    e = alias;
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 20);
}

TEST(Expression, Display) {
    TnExpression e;
    ASSERT_EQ(e.parse("a + - b"), 1);
    testing::internal::CaptureStdout();
    e.display(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " +\n   a\n   --\n     b\n");
}

// Words that look like operators but are operands, and unlisted words.
TEST(Expression, OperatorSet) {
    EXPECT_EQ(TnExpression::precedence("max"), 2);
    EXPECT_EQ(TnExpression::precedence("whatever"), 2);
    EXPECT_EQ(TnExpression::precedence("andx"), 2);
    EXPECT_TRUE(TnExpression::isoperator(";"));
    EXPECT_FALSE(TnExpression::isoperator("?"));
    EXPECT_FALSE(TnExpression::isoperator(","));
    EXPECT_FALSE(TnExpression::isoperator("--"));
    EXPECT_FALSE(TnExpression::isoperator(TnString("an\0d", 3)));
}

TEST(Expression, Tokenize) {
    EXPECT_EQ(cut(TnExpression::tokenize, "host.processors>=2.5"), (Words{"host.processors", ">=", "2.5"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "a<=b!=c==d<>e=<f=>g><h<<i>>j"),
              (Words{"a", "<=", "b", "!=", "c", "==", "d", "<>", "e", "=<", "f", "=>", "g", "><", "h", "<<", "i",
                     ">>", "j"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "!a&&b||c&d|e"),
              (Words{"!", "a", "&&", "b", "||", "c", "&", "d", "|", "e"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "(a+b)*c/d-e:f?g"),
              (Words{"(", "a", "+", "b", ")", "*", "c", "/", "d", "-", "e", ":", "f", "?", "g"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "a =~ b"), (Words{"a", "=", "~", "b"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "6.10-14,x"), (Words{"6.10", "-", "14,x"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "\"a b\" 'c\\'d' \"e\\\\f\\g\""), (Words{"a b", "c'd", "e\\fg"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "x\"y z\"w"), (Words{"x", "y z", "w"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "\"open"), (Words{"open"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "\"\""), (Words{""}));
    EXPECT_EQ(cut(TnExpression::tokenize, "\"end\\"), (Words{"end"}));
    EXPECT_EQ(cut(TnExpression::tokenize, "\\ a\\b"), (Words{"\\", "a", "\\b"}));
    EXPECT_EQ(cut(TnExpression::tokenize, " \t\r\n"), Words{});
    EXPECT_EQ(cut(TnExpression::tokenize, "it's"), (Words{"it's"}));
    TnStringList out;
    out.push(new TnString("kept"));
    EXPECT_EQ(TnExpression::tokenize("1 + 2", out), 3);
    EXPECT_EQ(out.length(), 4);
}

TEST(Expression, OtherTokenizers) {
    EXPECT_EQ(cut(TnExpression::callbacktokenize, "(a eq 1)and b>=2 \"x y\""),
              (Words{"(", "a", "eq", "1", ")", "and", "b>=2", "x y"}));
    EXPECT_EQ(cut(TnExpression::callbacktokenize, "it's -3"), (Words{"it's", "-3"}));
    EXPECT_EQ(cut(TnExpression::valuetokenize, ",a,b {x {y} z} 'q r'"), (Words{",", "a,b", "x {y} z", "q r"}));
    EXPECT_EQ(cut(TnExpression::valuetokenize, "{open {inner}"), (Words{"open {inner}"}));
    EXPECT_EQ(cut(TnExpression::valuetokenize, "{}"), (Words{""}));
    EXPECT_EQ(cut(TnExpression::commandtokenize, "run -x \"a b\" c'd e' \"\""),
              (Words{"run", "-x", "a b", "cd e", ""}));
    EXPECT_EQ(cut(TnExpression::rangetokenize, "node[01-03].x  y"), (Words{"node", "[", "01-03", "]", ".x", "y"}));
    EXPECT_EQ(cut(TnExpression::rangetokenize, "[[]]"), (Words{"[", "[", "]", "]"}));
}

TEST(Expression, ListSplitter) {
    EXPECT_EQ(cut(static_cast<int (*)(const TnString&, TnStringList&)>(TnExpression::split),
                  " a , \"b,c\", {d,{e,f}}, 'g,\\'h' ,, "),
              (Words{"a", "\"b,c\"", "{d,{e,f}}", "'g,\\'h'"}));
    TnStringList none;
    EXPECT_EQ(TnExpression::split("", none), 0);
    EXPECT_EQ(TnExpression::split(" , ", none), 0);
    TnStringHash hash;
    EXPECT_EQ(TnExpression::split("a=1, b = 2 x, c", hash), 3);
    EXPECT_EQ(*hash.get("a"), "1");
    EXPECT_EQ(*hash.get("b"), "2 x");
    EXPECT_EQ(*hash.get("c"), "");
}

TEST(Expression, SimpleSplitters) {
    EXPECT_EQ(cut(TnExpression::splitcomma, "node[1-3], a b ,c[1, 2],,"), (Words{"node[1-3]", "ab", "c[1, 2]"}));
    EXPECT_EQ(cut(TnExpression::splitcomma, "a]b,c"), (Words{"a]b", "c"}));
    EXPECT_EQ(cut(TnExpression::splitspace, "  a \t b\r\nc  "), (Words{"a", "b", "c"}));
    EXPECT_EQ(cut(TnExpression::splittab, "a\t\tb\t"), (Words{"a", "", "b", ""}));
    EXPECT_EQ(cut(TnExpression::splitslash, "1/4"), (Words{"1", "4"}));
    EXPECT_EQ(cut(TnExpression::splitslash, "/x"), (Words{"", "x"}));
    EXPECT_EQ(cut(TnExpression::splitslash, ""), Words{});
    TnStringList dots;
    TnExpression::splitchar("a.b", '.', dots);
    EXPECT_EQ(items(dots), (Words{"a", "b"}));

    const struct {
        int (*f)(const TnString&, TnString&, TnString&);
        const char* text;
        const char* want;  // result|left|right
    } pairs[] = {
        {TnExpression::splitperiod, "host.tarn.version", "1|host|tarn.version"},
        {TnExpression::splitperiod, "plain", "0|plain|"},
        {TnExpression::splitequal, " host . processors =  1/4 ", "1|host.processors|1/4 "},
        {TnExpression::splitequal, "a==b", "1|a|=b"},
        {TnExpression::splitequal, "no sign", "0|nosign|"},
        {TnExpression::splitbecomes, "key :\tvalue", "1|key|value"},
        {TnExpression::splitbecomes, "key value", "0|keyvalue|"},
    };
    for (const auto& c : pairs) {
        TnString left("old"), right("old");
        int r = c.f(c.text, left, right);
        EXPECT_EQ(TnString(r) + "|" + left + "|" + right, c.want) << c.text;
    }
    TnString right;
    TnString same("a = b");
    EXPECT_EQ(TnExpression::splitequal(same, same, right), 1);
    EXPECT_EQ(same, "a");
    EXPECT_EQ(right, "b");
}

TEST(Expression, ScalarConversions) {
    TnScalar s(TnString("12"));
    EXPECT_EQ(s.scalartype(), TnScalar::kInteger);
    s.value(TnString("-"));
    EXPECT_EQ(s.scalartype(), TnScalar::kInteger);
    EXPECT_EQ(s.integervalue(), 0);
    s.value(TnString(".5"));
    EXPECT_EQ(s.scalartype(), TnScalar::kFloat);
    EXPECT_EQ(s.stringvalue(), "0.500000");
    EXPECT_EQ(s.scalartype(), TnScalar::kFloat);
    s.value(TnString("1e5"));
    EXPECT_EQ(s.scalartype(), TnScalar::kText);
    EXPECT_EQ(s.integervalue(), 1);
    EXPECT_FLOAT_EQ(s.floatvalue(), 100000.0f);
    s.value(TnString(""));
    EXPECT_EQ(s.scalartype(), TnScalar::kText);
    TnScalar f(-2.75f);
    EXPECT_EQ(f.integervalue(), -2);
    TnScalar i(7);
    EXPECT_EQ(i.stringvalue(), "7");
    EXPECT_FLOAT_EQ(i.floatvalue(), 7.0f);
    TnScalar r;
    TnScalar::eval(TnString("unknown"), i, i, r);
    EXPECT_EQ(r.integervalue(), 0);
    TnScalar::eval(TnString("-"), i, r);
    EXPECT_EQ(r.integervalue(), -7);
}

// Hostile texts: nothing here may recurse per node or allocate beyond the input's size.
TEST(Expression, DeepTextsAreBounded) {
    const int n = 100000;
    TnExpression e;

    std::string open(n, '(');
    EXPECT_EQ(e.parse(TnString((open + "1").c_str())), 0);
    EXPECT_EQ(e.a(), nullptr);
    EXPECT_EQ(e.b(), nullptr);

    std::string balanced = open + "1" + std::string(n, ')');
    EXPECT_EQ(e.parse(TnString(balanced.c_str())), 1);
    TnScalar s;
    e.eval(s);
    EXPECT_EQ(s.integervalue(), 1);

    std::string chain = "1";
    for (int i = 1; i < n; ++i) chain += " + 1";
    EXPECT_EQ(e.parse(TnString(chain.c_str())), 0);

    std::string nots;
    for (int i = 0; i < n; ++i) nots += "not ";
    EXPECT_EQ(e.parse(TnString((nots + "0").c_str())), 0);
    std::string minus(n, '-');
    EXPECT_EQ(e.parse(TnString((minus + "1").c_str())), 0);
    EXPECT_EQ(e.parse(TnString((minus + "1").c_str()), 1), 0);

    // Just inside the bound the tree is built and evaluated.
    std::string fits = "1";
    for (int i = 1; i < TnExpression::kMaxDepth / 2; ++i) fits += " + 1";
    EXPECT_EQ(e.parse(TnString(fits.c_str())), 1);
    e.eval(s);
    EXPECT_EQ(s.integervalue(), TnExpression::kMaxDepth / 2);
    TnExpression copy(e);
    copy.eval(s);
    EXPECT_EQ(s.integervalue(), TnExpression::kMaxDepth / 2);

    std::string postfix = "1";
    for (int i = 1; i < n; ++i) postfix += " 1 +";
    EXPECT_EQ(e.parse(TnString(postfix.c_str()), 1), 0);
}

TEST(Expression, HandBuiltDeepTreesWalkWithoutRecursion) {
    const int n = 300000;
    TnExpression* root = new TnExpression();
    TnExpression* at = root;
    for (int i = 0; i < n; ++i) {
        at->op("--");
        TnExpression* next = new TnExpression();
        at->b(next);
        at = next;
    }
    at->name("5");
    TnScalar s;
    root->eval(s);
    EXPECT_EQ(s.integervalue(), 5);  // an even number of negations
    EXPECT_EQ(root->isvalid(), 1);
    TnExpression* copy = new TnExpression(*root);
    root->valuereq(processors);
    delete root;
    copy->eval(s);
    EXPECT_EQ(s.integervalue(), 5);
    delete copy;
}

TEST(Expression, LongTexts) {
    std::string word(1 << 20, 'w');
    TnExpression e;
    EXPECT_EQ(e.parse(TnString(word.c_str())), 1);
    EXPECT_EQ(e.name().length(), 1 << 20);
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "a and ";
    many += "1";
    EXPECT_EQ(e.parse(TnString(many.c_str())), 0);  // 20,001 terms of one strength
    std::string flat;
    for (int i = 0; i < 20000; ++i) flat += "1 * 2 + ";
    flat += "0";
    EXPECT_EQ(e.parse(TnString(flat.c_str())), 0);
}
