#ifndef TN_PROTOCOL_TNPACKAGE_H
#define TN_PROTOCOL_TNPACKAGE_H

#include "core/TnString.h"
#include "core/TnStringList.h"
#include "protocol/TnPackageList.h"

// A name/value tree that travels as compact text: "(" name "=" value children... ")", with
// "(", ")", "=" and the backslash escaped by a backslash. A job keeps its package so.
class TnPackage : public TnBase {
public:
    TnPackage() = default;
    explicit TnPackage(const TnString& value);
    TnPackage(const TnString& name, const TnString& value);
    TnPackage(const TnPackage& other);
    TnPackage& operator=(const TnPackage& other);
    ~TnPackage() override;

    int type() const override { return 167; }

    // 4: no children; 1: named children (a hash); 2: unnamed children (a list).
    int objtype() const;

    const TnString& name() const { return name_; }
    void name(const TnString& n) { name_ = n; }
    const TnString& value() const { return value_; }
    void value(const TnString& v) { value_ = v; }

    void push(const TnString& value);
    void push(TnPackage* child);
    TnPackage* get(int i) const { return children_.get(i); }
    int length() const { return children_.length(); }
    void set(const TnString& name, const TnString& value);
    void set(TnPackage* child);
    void set(int i, TnPackage* child);
    void set(const TnString& name, TnPackage* child);
    void release() { children_.release(); }
    void clear() { children_.clear(); }
    void copy(const TnPackage& other);

    TnString compact() const;
    // Parses text into this node; true when the text held a node.
    bool expand(const TnString& text);

    void _collect(TnStringList& out) const;
    void _display(int level) const;

    // Deepest nesting expand() follows; deeper children are skipped as text.
    static constexpr int kMaxDepth = 200;

private:
    static TnString _filter(const TnString& text);
    bool _expand(const TnString& text, int& pos, int depth);
    static TnString _expand_name(const TnString& text, int& pos);
    static TnString _expand_value(const TnString& text, int& pos);
    static void _tn_space(int n);

    TnString name_;
    TnString value_;
    TnPackageList children_;
};

#endif
