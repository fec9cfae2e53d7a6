#include "core/TnPath.h"

#include <cctype>

#include "core/TnPathMap.h"

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool isLetter(char c) { return isalpha(static_cast<unsigned char>(c)) != 0; }

}  // namespace

TnPath::TnPath() = default;

TnPath::TnPath(const TnString& path) { value(path); }

void TnPath::value(const TnString& path) {
    value_ = path;
    pathtype_ = analyse(value_);
    split(value_, components_);
}

TnString TnPath::pathtypestring() const {
    switch (pathtype_) {
    case kUnc: return "unc";
    case kDos: return "dos";
    case kUnix: return "unix";
    case kNfs: return "nfs";
    default: return "unknown";
    }
}

int TnPath::analyse(const TnString& path) {
    int n = path.length();
    if (n == 0) return kUnknown;
    if (path.haschar('\\')) return (n >= 3 && path.get(0) == '\\' && path.get(1) == '\\') ? kUnc : kDos;
    if (path.get(0) == '/') return kUnix;
    if (n >= 3 && isLetter(path.get(0)) && path.get(1) == ':' && path.get(2) == '/') return kDos;
    for (int i = 0; i < n; ++i) {
        char c = path.get(i);
        if (c == '/') break;
        if (c == ':') return kNfs;
    }
    return kUnknown;
}

bool TnPath::isFullPath() const {
    switch (pathtype_) {
    case kUnc:
    case kNfs: return true;
    case kUnix: return value_.get(0) == '/';
    case kDos:
        return value_.length() >= 3 && isLetter(value_.get(0)) && value_.get(1) == ':' && isSeparator(value_.get(2));
    default: return false;
    }
}

void TnPath::root(const TnString& dir) {
    if (isFullPath() || dir.empty()) return;
    TnString full = dir;
    if (dir.get(dir.length() - 1) != '/') full += '/';
    full += value_;
    value(full);
}

int TnPath::split(const TnString& path, TnStringList& list) {
    list.clear();
    const char* p = path.value();
    int start = 0;
    for (int i = 0; i <= path.length(); ++i) {
        if (i < path.length() && !isSeparator(p[i])) continue;
        if (i > start) list.push(new TnString(p + start, i - start));
        start = i + 1;
    }
    return list.length();
}

TnString TnPath::normalize(const TnString& path) {
    TnString out = path;
    for (int i = 0; i < out.length(); ++i)
        if (out.get(i) == '\\') out.set(i, '/');
    return out;
}

TnString TnPath::chomp(const TnString& path, int n) {
    int end = path.length();
    if (n < 1) {
        // Nothing to remove: the path itself, ending in "/".
        if (end > 0 && path.get(end - 1) == '/') return path;
        return path + "/";
    }
    for (int k = 0; k < n && end > 0; ++k) {
        while (end > 0 && isSeparator(path.get(end - 1))) --end;
        while (end > 0 && !isSeparator(path.get(end - 1))) --end;
        while (end > 0 && isSeparator(path.get(end - 1))) --end;
    }
    return path.substr(0, end) + "/";
}

int TnPath::match(const TnString& prefix, const TnString& path) {
    TnStringList a, b;
    split(prefix, a);
    split(path, b);
    if (b.length() < a.length()) return 0;
    int same = 0;
    for (int i = 0; i < a.length(); ++i)
        if (*a.get(i) == *b.get(i)) ++same;
    return same;
}

int TnPath::strip(const TnString& prefix, int pathtype) {
    TnStringList head;
    int wanted = split(prefix, head);
    if (match(prefix, value_) != wanted) return 0;
    char separator = (pathtype == kUnc || pathtype == kDos) ? '\\' : '/';
    TnString out("");
    for (int i = wanted; i < components_.length(); ++i) {
        out += separator;
        out += *components_.get(i);
    }
    value(out);
    return 1;
}

const TnString& TnPath::translate(const TnPathMap& map) {
    value(map.translate(value_));
    return value_;
}
