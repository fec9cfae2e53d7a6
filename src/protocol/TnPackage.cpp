#include "protocol/TnPackage.h"

#include <iostream>

TnPackage::TnPackage(const TnString& value) : value_(value) {}

TnPackage::TnPackage(const TnString& name, const TnString& value) : name_(name), value_(value) {}

TnPackage::TnPackage(const TnPackage& other) : TnBase() { copy(other); }

TnPackage& TnPackage::operator=(const TnPackage& other) {
    copy(other);
    return *this;
}

TnPackage::~TnPackage() = default;

void TnPackage::copy(const TnPackage& other) {
    if (&other == this) return;
    name_ = other.name_;
    value_ = other.value_;
    children_.copy(other.children_);
}

int TnPackage::objtype() const {
    if (children_.length() == 0) return 4;
    return children_.get(0)->name().empty() ? 2 : 1;
}

void TnPackage::push(const TnString& value) { children_.push(new TnPackage(value)); }

void TnPackage::push(TnPackage* child) {
    if (child) children_.push(child);
}

void TnPackage::set(const TnString& name, const TnString& value) { set(new TnPackage(name, value)); }

void TnPackage::set(TnPackage* child) {
    if (!child) return;
    for (int i = 0; i < children_.length(); ++i) {
        if (children_.get(i)->name() == child->name()) {
            set(i, child);
            return;
        }
    }
    children_.push(child);
}

void TnPackage::set(int i, TnPackage* child) {
    TnPackage* old = children_.get(i);
    if (!child || !old) return;
    if (old == child) return;
    children_.set(child, i);
    delete old;
}

void TnPackage::set(const TnString& name, TnPackage* child) {
    if (!child) return;
    child->name(name);
    set(child);
}

TnString TnPackage::_filter(const TnString& text) {
    TnString out("");
    for (int i = 0; i < text.length(); ++i) {
        char c = text.get(i);
        if (c == '(' || c == ')' || c == '=' || c == '\\') out.append('\\');
        out.append(c);
    }
    return out;
}

TnString TnPackage::compact() const {
    TnString out("(");
    out += _filter(name_);
    out += "=";
    out += _filter(value_);
    for (int i = 0; i < children_.length(); ++i) out += children_.get(i)->compact();
    out += ")";
    return out;
}

bool TnPackage::expand(const TnString& text) {
    int pos = 0;
    return _expand(text, pos, 0);
}

TnString TnPackage::_expand_name(const TnString& text, int& pos) {
    TnString out("");
    while (pos < text.length()) {
        char c = text.get(pos);
        if (c == '=') break;
        if (c == '\\' && pos + 1 < text.length()) c = text.get(++pos);
        out.append(c);
        ++pos;
    }
    return out;
}

TnString TnPackage::_expand_value(const TnString& text, int& pos) {
    TnString out("");
    while (pos < text.length()) {
        char c = text.get(pos);
        if (c == '(' || c == ')') break;
        if (c == '\\' && pos + 1 < text.length()) c = text.get(++pos);
        out.append(c);
        ++pos;
    }
    return out;
}

bool TnPackage::_expand(const TnString& text, int& pos, int depth) {
    if (depth > kMaxDepth || pos >= text.length() || text.get(pos) != '(') return false;
    ++pos;
    name_ = _expand_name(text, pos);
    if (pos < text.length()) ++pos;  // the "="
    value_ = _expand_value(text, pos);
    while (pos < text.length() && text.get(pos) != ')') {
        TnPackage* child = new TnPackage;
        if (child->_expand(text, pos, depth + 1)) {
            children_.push(child);
        } else {
            delete child;
            ++pos;
        }
    }
    if (pos < text.length()) ++pos;  // the ")"
    return true;
}

void TnPackage::_collect(TnStringList& out) const {
    if (!name_.empty()) out.push(new TnString(name_));
    if (!value_.empty()) out.push(new TnString(value_));
    for (int i = 0; i < children_.length(); ++i) children_.get(i)->_collect(out);
}

void TnPackage::_tn_space(int n) {
    for (int i = 0; i < n; ++i) std::cout << ' ';
}

void TnPackage::_display(int level) const {
    if (!name_.empty()) {
        _tn_space(level + 1);
        std::cout << name_ << " => \n";
    }
    if (!value_.empty()) {
        _tn_space(level + 1);
        std::cout << value_ << "\n";
    }
    int kind = objtype();
    if (kind == 4) return;
    _tn_space(level);
    std::cout << (kind == 1 ? "{" : "(") << "\n";
    for (int i = 0; i < children_.length(); ++i) children_.get(i)->_display(level + 1);
    _tn_space(level);
    std::cout << (kind == 1 ? "}" : ")") << "\n";
}
