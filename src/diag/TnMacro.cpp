#include "diag/TnMacro.h"

namespace {

bool namechar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

void TnMacro::set(const TnString& name, const TnString& value) { variables_.set(new TnString(value), name); }

bool TnMacro::get(const TnString& name, TnString& out) const {
    const TnString* v = variables_.get(name);
    if (!v) return false;
    out = *v;
    return true;
}

bool TnMacro::_lookup(const TnString& name, TnString& out) const {
    if (get(name, out)) return true;
    return resolver_ && resolver_(name, out);
}

TnString TnMacro::parse(const TnString& templ) const {
    TnString out("");
    const char* p = templ.value();
    int n = templ.length();
    int i = 0;
    while (i < n) {
        int start = i;
        while (i < n && p[i] != '$') ++i;
        out.append(p + start, i - start);
        if (i >= n) break;
        ++i;  // the '$'
        TnString name;
        if (i < n && p[i] == '(') {
            int from = ++i;
            while (i < n && p[i] != ')') ++i;
            name = TnString(p + from, i - from);
            if (i < n) ++i;  // the ')'
        } else {
            int from = i;
            while (i < n && namechar(p[i])) ++i;
            name = TnString(p + from, i - from);
        }
        TnString value;
        if (_lookup(name, value)) out += value;
    }
    return out;
}
