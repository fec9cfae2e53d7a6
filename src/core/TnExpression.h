#ifndef TN_CORE_TNEXPRESSION_H
#define TN_CORE_TNEXPRESSION_H

#include <vector>

#include "core/TnScalar.h"
#include "core/TnString.h"
#include "protocol/TnPack.h"

class TnReference;
class TnStringList;
class TnStringHash;

// One node of a condition tree such as "host.processors > 2 and host.memory ge 512". Inner
// nodes hold an operator and own their operands (a, b; a unary operator has only b); leaves
// hold a name that a resolver turns into a value at evaluation time, or a literal.
//
// Bounds for hostile texts: the parsers never build a tree deeper than kMaxDepth nodes; a
// text that would need more (100,000 unmatched parentheses, a 100,000-term chain of one
// operator, which groups to the right) parses with result 0 and leaves this node empty.
// Every walk over a tree (evaluation, copy, destruction, validity, display) keeps its own
// stack on the heap, so trees assembled by hand through a()/b() may be of any depth too.
//
// Resolvers (valuereq, validreq, reference) are set on a node and its whole subtree at once.
// A reference is counted: each node that holds it counts one, and the last node to let go
// deletes it, so a reference given to a tree must come from new and belongs to the tree.
//
// Postfix and prefix notation keep the written operand order: "2 3 -" and "- 2 3" both
// mean 2 - 3. In these notations "not" and "!" take one operand; "-" is always binary.
//
// The pack operations write and read nothing: a tree travels as its text.
class TnExpression : public TnPack {
public:
    typedef void (*ValueReq)(const TnString& name, TnString& out);
    typedef unsigned char (*ValidReq)(const TnString& name);

    static constexpr int kMaxDepth = 10000;

    TnExpression();
    TnExpression(const TnExpression& other);
    TnExpression& operator=(const TnExpression& other);
    ~TnExpression() override;
    void copy(const TnExpression& other);

    int type() const override { return 65; }
    void encode() override {}
    void decode() override {}
    TnString typeXML() const override { return "expression"; }
    void encodeXML() override {}
    void decodeXML() override {}

    // Notation 1 reads postfix, 2 prefix, anything else infix. 1 when the text formed
    // exactly one tree.
    int parse(const TnString& text, int notation = 0);
    int callbackparse(const TnString& text);
    int valueparse(const TnString& text);

    void eval(TnScalar& result) const;
    int isvalid() const;
    void variables(TnStringList& out) const;
    void display(int indent) const;

    const TnString& op() const { return op_; }
    void op(const TnString& op);
    const TnString& value() const { return value_; }
    void value(const TnString& value) { value_ = value; }
    const TnString& name() const { return name_; }
    void name(const TnString& name) { name_ = name; }
    // The setters take ownership of the new operand and delete the one they replace.
    TnExpression* a() const { return a_; }
    void a(TnExpression* node);
    TnExpression* b() const { return b_; }
    void b(TnExpression* node);

    ValidReq validreq() const { return validreq_; }
    void validreq(ValidReq f);
    ValueReq valuereq() const { return valuereq_; }
    void valuereq(ValueReq f);
    TnReference* reference() const { return reference_; }
    void reference(TnReference* r);

    bool isleaf() const { return !name_.empty(); }

    static int precedence(const TnString& op);
    static bool isoperator(const TnString& token);

    // Tokenizers and splitters; each appends to out and returns the number of items added.
    // tokenize: the expression tokenizer (symbolic operators split off, quotes unwrapped).
    static int tokenize(const TnString& text, TnStringList& out);
    // callbacktokenize: blank-separated words, "(" and ")" on their own; a quote at the start
    // of a token opens a quoted text (unwrapped), inside a word it is an ordinary byte.
    static int callbacktokenize(const TnString& text, TnStringList& out);
    // valuetokenize: as callbacktokenize, plus "," at a token start on its own and braced
    // text (braces counted) as one token without its outer braces.
    static int valuetokenize(const TnString& text, TnStringList& out);
    // commandtokenize: a command line; blanks separate words, quoted runs (with the same
    // backslash rules) may stand anywhere in a word and lose their quotes.
    static int commandtokenize(const TnString& text, TnStringList& out);
    // rangetokenize: blank-separated words with "[" and "]" as tokens of their own.
    static int rangetokenize(const TnString& text, TnStringList& out);

    // The list splitter: items between commas outside quotes and braces (which stay in the
    // item), trimmed of blanks; empty items are dropped.
    static int split(const TnString& text, TnStringList& out);
    // The list splitter's items read as name=value (splitequal); an item without "=" is
    // stored under its name with an empty value.
    static int split(const TnString& text, TnStringHash& out);
    // Items between commas outside square brackets, blanks outside brackets removed; empty
    // items are dropped.
    static int splitcomma(const TnString& text, TnStringList& out);
    // Items between runs of blanks; nothing empty.
    static int splitspace(const TnString& text, TnStringList& out);
    // Fields between single separators, empty fields kept; an empty text has no field.
    static int splittab(const TnString& text, TnStringList& out);
    static int splitslash(const TnString& text, TnStringList& out);
    static int splitchar(const TnString& text, char c, TnStringList& out);

    // Two-part splitters: 1 when the separator occurs. Without it, left is the whole text
    // (for splitequal and splitbecomes: with blanks removed) and right is empty.
    static int splitperiod(const TnString& text, TnString& left, TnString& right);
    static int splitequal(const TnString& text, TnString& left, TnString& right);
    static int splitbecomes(const TnString& text, TnString& left, TnString& right);

private:
    enum Mode { kExpression, kCallback, kValue, kCommand, kRange };

    // An operand on a parser's stack with the depth of its tree.
    struct Slot {
        TnExpression* node;
        int depth;
    };

    static void _tokens(const TnString& text, int mode, std::vector<TnString>& out);
    int _build(std::vector<TnString>& tokens, int notation);
    bool _infix(std::vector<TnString>& tokens, std::vector<Slot>& stack) const;
    bool _fix(const std::vector<TnString>& tokens, bool prefix, std::vector<Slot>& stack, bool& missing) const;
    bool _reduce(const TnString& op, bool unary, std::vector<Slot>& stack, bool& missing) const;
    TnExpression* _node() const;
    static TnExpression* _shallow(const TnExpression* source);
    static TnExpression* _clone(const TnExpression* source);
    void _leafvalue(TnScalar& result) const;
    void _clear();
    void _holdreference(TnReference* r);

    TnString op_;
    TnExpression* a_ = nullptr;
    TnExpression* b_ = nullptr;
    TnString value_;
    TnString name_;
    ValueReq valuereq_ = nullptr;
    ValidReq validreq_ = nullptr;
    TnReference* reference_ = nullptr;
    int opcode_ = TnScalar::kUnknown;
    bool unary_ = false;
};

#endif
