#include "core/TnEnv.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace {

// The working directory is read into a fixed buffer; a longer one leaves cwd as it was.
constexpr int kMaxCwd = 10240;

// Position of the first c in s at or after from, or -1.
int indexOf(const TnString& s, char c, int from) {
    const char* p = s.value();
    for (int i = from; i < s.length(); ++i)
        if (p[i] == c) return i;
    return -1;
}

bool startsWith(const TnString& s, const char* prefix) {
    int n = static_cast<int>(strlen(prefix));
    return s.length() >= n && memcmp(s.value(), prefix, n) == 0;
}

// Digits 0-7 up to the first other byte. Wraps at 32 bits, so every int written with %o
// reads back as itself.
int octal(const TnString& s) {
    unsigned int v = 0;
    const char* p = s.value();
    for (int i = 0; i < s.length() && p[i] >= '0' && p[i] <= '7'; ++i) v = v * 8u + static_cast<unsigned>(p[i] - '0');
    return static_cast<int>(v);
}

bool hasNul(const TnString& s) { return memchr(s.value(), 0, s.length()) != nullptr; }

// What setenv accepts, checked here so that a refusal never half-applies.
bool settable(const TnString& name, const TnString& value) {
    return !name.empty() && !name.haschar('=') && !hasNul(name) && !hasNul(value);
}

}  // namespace

void TnEnv::setToEnv() {
    names_.clear();
    values_.clear();
    for (char** e = environ; e && *e; ++e) {
        const char* entry = *e;
        const char* eq = strchr(entry, '=');
        if (eq) {
            names_.push(new TnString(entry, static_cast<int>(eq - entry)));
            values_.push(new TnString(eq + 1));
        } else {
            names_.push(new TnString(entry));
            values_.push(new TnString(""));
        }
    }
    // The only way to read the umask is to set it; the old value goes straight back.
    mode_t old = ::umask(0);
    ::umask(old);
    umask_ = static_cast<int>(old);
    char* buf = new char[kMaxCwd];
    if (getcwd(buf, kMaxCwd)) cwd_ = buf;
    delete[] buf;
}

int TnEnv::setToEnv(const TnString& name, const TnString& value) {
    if (!settable(name, value) || setenv(name.value(), value.value(), 1) != 0) return 0;
    set(name, value);
    return 1;
}

int TnEnv::setEnv() const {
    int applied = 0;
    for (int i = 0; i < names_.length() && i < values_.length(); ++i) {
        const TnString& name = *names_.get(i);
        const TnString& value = *values_.get(i);
        if (settable(name, value) && setenv(name.value(), value.value(), 1) == 0) ++applied;
    }
    return applied;
}

TnString TnEnv::valueEnv(const TnString& name) {
    if (name.empty() || hasNul(name)) return TnString("");
    const char* v = getenv(name.value());
    return TnString(v ? v : "");
}

void TnEnv::modify(const TnEnv& other) {
    if (&other == this) return;
    for (int i = 0; i < other.names_.length() && i < other.values_.length(); ++i)
        set(*other.names_.get(i), *other.values_.get(i));
}

int TnEnv::_find(const TnString& name) const {
    for (int i = 0; i < names_.length(); ++i)
        if (*names_.get(i) == name) return i;
    return -1;
}

void TnEnv::set(const TnString& name, const TnString& value) {
    int i = _find(name);
    if (i >= 0 && i < values_.length()) {
        *values_.get(i) = value;
        return;
    }
    _append(name, value);
}

void TnEnv::_append(const TnString& name, const TnString& value) {
    // A decoded object may carry lists of different lengths; keep them parallel from here on.
    while (values_.length() < names_.length()) values_.push(new TnString(""));
    while (names_.length() < values_.length()) delete values_.pop();
    names_.push(new TnString(name));
    values_.push(new TnString(value));
}

TnString TnEnv::value(const TnString& name) const {
    int i = _find(name);
    const TnString* v = i >= 0 ? values_.get(i) : nullptr;
    return v ? *v : TnString("");
}

bool TnEnv::exists(const TnString& name) const { return _find(name) >= 0; }

void TnEnv::clear() {
    names_.clear();
    values_.clear();
}

void TnEnv::mount(const TnString& point, const TnString& description) {
    mounts_.set(new TnString(description), point);
}

TnString TnEnv::mount(const TnString& point) const {
    const TnString* d = mounts_.get(point);
    return d ? *d : TnString("");
}

void TnEnv::splitMount(const TnString& description, TnString& user, TnString& password, TnString& share) {
    user = "";
    password = "";
    int at = indexOf(description, '@', 0);
    if (at < 0) {
        share = description;
        return;
    }
    int colon = indexOf(description, ':', 0);
    if (colon >= 0 && colon < at) {
        user = description.substr(0, colon);
        password = description.substr(colon + 1, at);
    } else {
        user = description.substr(0, at);
    }
    share = description.substr(at + 1, description.length());
}

int TnEnv::mount(const TnString& point, TnString& user, TnString& password, TnString& share) const {
    const TnString* d = mounts_.get(point);
    if (!d) return 0;
    splitMount(*d, user, password, share);
    return 1;
}

namespace {

// Byte order over the whole point, NUL bytes included, so that the listing (and with it the
// text form) is the same however the table happens to hold the points.
int byBytes(const TnString* a, const TnString* b) {
    int n = a->length() < b->length() ? a->length() : b->length();
    int r = memcmp(a->value(), b->value(), n);
    if (r != 0) return r < 0 ? -1 : 1;
    return (a->length() > b->length()) - (a->length() < b->length());
}

}  // namespace

void TnEnv::mounts(TnStringList& list) const {
    mounts_.copykeys(list);
    list.sort(byBytes);
}

void TnEnv::mountmap(const TnString& text) {
    int pos = 0;
    while (pos < text.length()) {
        int nl = indexOf(text, '\n', pos);
        int end = nl < 0 ? text.length() : nl;
        TnString line = text.substr(pos, end);
        pos = end + 1;
        if (line.length() > 0 && line.get(line.length() - 1) == '\r') line = line.substr(0, line.length() - 1);
        int bar = indexOf(line, '|', 0);
        if (bar <= 0) continue;
        int stop = indexOf(line, '|', bar + 1);
        mount(line.substr(0, bar), line.substr(bar + 1, stop < 0 ? line.length() : stop));
    }
}

TnString TnEnv::convert() const {
    char octalText[16];
    snprintf(octalText, sizeof octalText, "%o", static_cast<unsigned int>(umask_));
    TnString out("umask=");
    out += octalText;
    out += "\ncwd=";
    out += cwd_;
    TnStringList points;
    mounts(points);
    for (int i = 0; i < points.length(); ++i) {
        out += "\ndrivemap=";
        out += *points.get(i);
        out += '|';
        out += mount(*points.get(i));
    }
    for (int i = 0; i < names_.length(); ++i) {
        out += '\n';
        out += *names_.get(i);
        out += '=';
        const TnString* v = values_.get(i);
        if (v) out += *v;
    }
    return out;
}

void TnEnv::revert(const TnString& text) {
    bool haveMask = false, haveCwd = false;
    int pos = 0;
    while (pos < text.length()) {
        int eq = indexOf(text, '=', pos);
        if (eq <= pos) break;  // no further pair, or an empty name
        TnString name = text.substr(pos, eq);
        int nl = indexOf(text, '\n', eq + 1);
        int end = nl < 0 ? text.length() : nl;
        TnString value = text.substr(eq + 1, end);
        pos = end + 1;

        if (name == "umask" && !haveMask) {
            umask_ = octal(value);
            haveMask = true;
        } else if (name == "cwd" && !haveCwd) {
            cwd_ = value;
            haveCwd = true;
        } else if (name == "drivemap") {
            int bar = indexOf(value, '|', 0);
            if (bar >= 0) mount(value.substr(0, bar), value.substr(bar + 1, value.length()));
        } else {
            // An exported shell function ("() {" ...) runs on until a line that starts with
            // "}"; the lines are joined back with their newlines.
            if (startsWith(value, "() {")) {
                bool closed = false;
                while (!closed && pos < text.length()) {
                    nl = indexOf(text, '\n', pos);
                    end = nl < 0 ? text.length() : nl;
                    closed = text.get(pos) == '}';
                    value += '\n';
                    value += text.substr(pos, end);
                    pos = end + 1;
                }
                // Unclosed, it ran to the end of the text; empty lines there cannot be told
                // from the final line break, so they are not part of it.
                int keep = value.length();
                while (!closed && keep > 0 && value.get(keep - 1) == '\n') --keep;
                if (keep < value.length()) value = value.substr(0, keep);
            }
            _append(name, value);
        }
    }
}
