#include "config/TnConfigFile.h"

#include <iostream>

#include "core/TnRange.h"
#include "diag/TnDebug.h"


namespace {

bool isdigit_(char c) { return c >= '0' && c <= '9'; }

bool isnamechar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isdigit_(c) || c == '_';
}

bool endofline(const TnConfigFile::Token& t) { return t.kind == TnConfigFile::kNewline; }

// An upper bound of the names a header expands to, found without expanding it: a range
// item a-b yields at most |a| + |b| + 1 values, so the sum over every number (plus one per
// comma-separated part) can only be larger. Only bracket contents expand in a name pattern;
// a header that is a plain range expands everywhere.
long long headerbound(const TnString& text) {
    bool plain = true;
    for (int i = 0; i < text.length(); ++i) {
        char c = text.get(i);
        if (!(isdigit_(c) || c == 'x' || c == 'X' || c == '-' || c == ',' || c == ' ' || c == '\t' || c == '\n'))
            plain = false;
    }
    const long long cap = 1LL << 40;
    long long total = 1;
    int depth = 0;
    for (int i = 0; i < text.length() && total < cap;) {
        char c = text.get(i);
        if (c == '[') ++depth;
        if (c == ']' && depth > 0) --depth;
        if (c == ',') ++total;
        if (!isdigit_(c)) {
            ++i;
            continue;
        }
        long long v = 0;
        while (i < text.length() && isdigit_(text.get(i))) {
            if (v < cap) v = v * 10 + (text.get(i) - '0');
            ++i;
        }
        if (plain || depth > 0) total += v + 1;
    }
    return total;
}

void warnlimit(const char* what) {
    tn_debug_line(TnDebug::kWarning, TnString("WARNING: configuration file has too many ") + what + ", reading stopped");
}

}  // namespace

TnConfigFile::TnConfigFile() : defaultName_("default") {}

TnConfigFile::TnConfigFile(const TnString& path, unsigned char casefold) : defaultName_("default"), casefold_(casefold) {
    load(path);
}

int TnConfigFile::load(const TnString& path) {
    TnString text;
    if (!TnConfig::readfile(path, text)) return 0;
    parse(text);
    return 1;
}

void TnConfigFile::keys(TnStringList& out) const {
    out.clear();
    for (int i = 0; i < order_.length(); ++i) out.push(new TnString(*order_.get(i)));
}

void TnConfigFile::release() {
    sections_.release();
    order_.clear();
}

TnConfig* TnConfigFile::_section(const TnString& name) {
    TnConfig* c = sections_.get(name);
    if (c) return c;
    if (sections_.length() >= kMaxSections) return nullptr;
    c = new TnConfig();
    c->name(name);
    sections_.set(c, name);
    order_.push(new TnString(name));
    return c;
}

void TnConfigFile::_tokens(const TnString& raw, std::vector<Token>& out) {
    TnString text = raw.removecontrolchars();
    const int n = text.length();
    bool spaced = false;
    auto push = [&](Kind k, const TnString& s) {
        out.push_back(Token{k, s, spaced});
        spaced = false;
    };
    int i = 0;
    while (i < n) {
        char c = text.get(i);
        switch (c) {
        case ' ':
        case '\t':
            spaced = true;
            ++i;
            continue;
        case '#':
            while (i < n && text.get(i) != '\n' && text.get(i) != '\r') ++i;
            spaced = true;
            continue;
        case '{': {
            // The braces stay in the token so that "${name}" survives into the value.
            TnString s = "{";
            ++i;
            while (i < n) {
                char b = text.get(i);
                if (b == '\\' && text.get(i + 1) == '}' && i + 1 < n) {
                    s += '}';
                    i += 2;
                    continue;
                }
                ++i;
                s += b;
                if (b == '}') break;
            }
            push(kBrace, s);
            continue;
        }
        case '"': {
            TnString s = "";
            ++i;
            while (i < n) {
                char b = text.get(i);
                if (b == '"') {
                    ++i;
                    break;
                }
                if (b == '\n' || b == '\r') break;
                if (b == '\\' && i + 1 < n && (text.get(i + 1) == '"' || text.get(i + 1) == '\\')) {
                    s += text.get(i + 1);
                    i += 2;
                    continue;
                }
                s += b;
                ++i;
            }
            push(kQuote, "\"");
            push(kWord, s);
            push(kQuote, "\"");
            continue;
        }
        case '\n':
        case '\r':
            push(kNewline, TnString(&c, 1));
            ++i;
            continue;
        case ':':
            push(kColon, ":");
            ++i;
            continue;
        case '[':
            push(kOpen, "[");
            ++i;
            continue;
        case ']':
            push(kClose, "]");
            ++i;
            continue;
        case '=':
            push(kEquals, "=");
            ++i;
            continue;
        case '\\':
            push(kBackslash, "\\");
            ++i;
            continue;
        case '.':
            push(kDot, ".");
            ++i;
            continue;
        default:
            break;
        }
        int start = i;
        while (i < n) {
            char b = text.get(i);
            if (b == ' ' || b == '\t' || b == '#' || b == '{' || b == '"' || b == '\n' || b == '\r' || b == ':' ||
                b == '[' || b == ']' || b == '=' || b == '\\' || b == '.')
                break;
            ++i;
        }
        push(kWord, text.substr(start, i));
    }
}

void TnConfigFile::tokenize(const TnString& text, TnStringList& tokens) {
    std::vector<Token> t;
    _tokens(text, t);
    for (const Token& k : t) tokens.push(new TnString(k.text));
}

void TnConfigFile::stringtokenize(const TnString& value, TnStringList& tokens) {
    const int n = value.length();
    int i = 0;
    while (i < n) {
        char c = value.get(i);
        int start = i;
        if (c == ' ' || c == '\t') {
            while (i < n && (value.get(i) == ' ' || value.get(i) == '\t')) ++i;
        } else if (c == '.' || c == '{' || c == '}' || c == '\\' || c == '$') {
            ++i;
        } else {
            // Anything else, a carriage return included, is part of a word.
            while (i < n) {
                char b = value.get(i);
                if (b == ' ' || b == '\t' || b == '.' || b == '{' || b == '}' || b == '\\' || b == '$') break;
                ++i;
            }
        }
        tokens.push(new TnString(value.substr(start, i)));
    }
}

TnString TnConfigFile::_localvalue(const TnString& value, const TnString& section) {
    if (!value.haschar('$')) return value;
    TnStringList t;
    stringtokenize(value, t);
    TnString out = "";
    for (int i = 0; i < t.length(); ++i) {
        const TnString& w = *t.get(i);
        bool afterDollar = i >= 1 && *t.get(i - 1) == "$";
        bool afterBrace = i >= 2 && *t.get(i - 1) == "{" && *t.get(i - 2) == "$";
        if ((w == "self" || w == "this") && (afterDollar || afterBrace))
            out += section;
        else
            out += w;
    }
    return out;
}

void TnConfigFile::_store(const TnString& section, const TnString& key, const TnString& value) {
    TnConfig* c = _section(section);
    if (c) c->option(key, _localvalue(value, section));
}

bool TnConfigFile::_header(const std::vector<Token>& t, size_t& i, TnStringList& current) {
    int depth = 1;
    size_t j = i + 1;
    TnString text = "";
    for (; j < t.size(); ++j) {
        if (t[j].kind == kOpen) ++depth;
        if (t[j].kind == kClose && --depth == 0) break;
        if (endofline(t[j])) return false;
        text += t[j].text;
    }
    if (j >= t.size()) return false;
    i = j + 1;
    if (casefold_) text = text.tolower();

    TnStringList names;
    if (headerbound(text) > kMaxSections - sections_.length()) {
        warnlimit("sections");
        return false;
    }
    TnRange::patternsplit(0, text, names);
    current.clear();
    for (int k = 0; k < names.length(); ++k) {
        const TnString& name = *names.get(k);
        if (!_section(name)) {
            warnlimit("sections");
            return false;
        }
        current.push(new TnString(name));
    }

    if (i < t.size() && t[i].kind == kColon) {
        ++i;
        _parents(t, i, text, current);
    }
    return true;
}

void TnConfigFile::_parents(const std::vector<Token>& t, size_t& i, const TnString& header,
                            const TnStringList& current) {
    // Tokens written together form one name, so "default.example" is one parent.
    TnStringList parents;
    for (; i < t.size() && !endofline(t[i]); ++i) {
        if (t[i].kind == kQuote) continue;
        if (t[i].spaced || parents.length() == 0)
            parents.push(new TnString(t[i].text));
        else
            *parents.top() += t[i].text;
    }
    for (int p = 0; p < parents.length(); ++p) {
        TnString name = casefold_ ? parents.get(p)->tolower() : *parents.get(p);
        const TnConfig* parent = config(name);
        if (!parent) {
            std::cerr << "WARNING: " << header << " missing parent " << name << "... skipping." << std::endl;
            continue;
        }
        // The values the parent has now, even when it is itself one of the sections named.
        TnConfig snapshot(*parent);
        stores_ += static_cast<long long>(snapshot.length()) * current.length();
        if (stores_ > kMaxStores) return;
        for (int s = 0; s < current.length(); ++s) {
            TnConfig* c = config(*current.get(s));
            if (c) c->inherit(snapshot);
        }
    }
}

bool TnConfigFile::_assignment(const std::vector<Token>& t, size_t& i, const TnStringList& current) {
    auto readkey = [&](TnString& key) -> bool {
        if (i >= t.size()) return false;
        if (t[i].kind == kWord) {
            key = t[i++].text;
            return true;
        }
        // A quoted key: quote, content, quote.
        if (t[i].kind == kQuote && i + 2 < t.size()) {
            key = t[i + 1].text;
            i += 3;
            return true;
        }
        return false;
    };

    TnString key;
    if (!readkey(key)) return false;
    TnString section;
    bool one = false;
    if (i < t.size() && t[i].kind == kDot) {
        ++i;
        section = key;
        one = true;
        if (!readkey(key)) return false;
    }
    if (i >= t.size() || t[i].kind != kEquals) return false;
    ++i;

    TnString value = "";
    if (i < t.size() && t[i].kind == kQuote && i + 2 < t.size()) {
        value = t[i + 1].text;
        i += 3;
        // What follows a quoted value on its line is ignored.
        while (i < t.size() && !endofline(t[i])) ++i;
    } else {
        for (; i < t.size() && !endofline(t[i]); ++i) value += t[i].text;
    }

    stores_ += one ? 1 : current.length();
    if (stores_ > kMaxStores) {
        warnlimit("options");
        return false;
    }
    if (one) {
        _store(section, key, value);
    } else {
        for (int s = 0; s < current.length(); ++s) _store(*current.get(s), key, value);
    }
    return true;
}

void TnConfigFile::parse(const TnString& text) {
    std::vector<Token> t;
    _tokens(text, t);
    stores_ = 0;

    TnStringList current;
    current.push(new TnString(defaultName_));
    size_t i = 0;
    while (i < t.size()) {
        if (endofline(t[i])) {
            ++i;
            continue;
        }
        bool ok = t[i].kind == kOpen ? _header(t, i, current) : _assignment(t, i, current);
        if (!ok || stores_ > kMaxStores) break;
    }
    _expand();
}

void TnConfigFile::_expand() {
    budget_ = kMaxExpansionBytes;
    for (int s = order_.length() - 1; s >= 0; --s) {
        TnConfig* c = config(*order_.get(s));
        if (!c) continue;
        TnStringList labels;
        c->labels(labels);
        for (int k = 0; k < labels.length(); ++k) {
            const TnString& key = *labels.get(k);
            const TnString& v = c->option(key);
            if (!v.haschar('$')) continue;
            TnString expanded = _value(*c, v, 0);
            c->option(key, expanded);
        }
    }
}

TnString TnConfigFile::_value(const TnConfig& section, const TnString& text) { return _value(section, text, 0); }

TnString TnConfigFile::_value(const TnConfig& section, const TnString& text, int depth) {
    // A reference costs its lookups and copies as well as its bytes.
    budget_ -= text.length() + 64;
    if (!text.haschar('$')) return text;
    TnString out = "";
    const int n = text.length();
    int i = 0;
    while (i < n && out.length() < kMaxValueBytes) {
        char c = text.get(i);
        if (c != '$') {
            out += c;
            ++i;
            continue;
        }
        TnString first, second;
        bool dotted = false;
        int next = i + 1;
        if (text.get(i + 1) == '{') {
            int close = i + 2;
            while (close < n && text.get(close) != '}') ++close;
            if (close >= n) {
                out += c;
                ++i;
                continue;
            }
            TnString inner = text.substr(i + 2, close);
            // Section names may hold dots (host names); keys cannot, so the last dot splits.
            int dot = -1;
            for (int k = 0; k < inner.length(); ++k)
                if (inner.get(k) == '.') dot = k;
            if (dot >= 0) {
                dotted = true;
                first = inner.substr(0, dot);
                second = inner.substr(dot + 1, inner.length());
            } else {
                first = inner;
            }
            next = close + 1;
        } else {
            int e = next;
            while (e < n && isnamechar(text.get(e))) ++e;
            if (e == next) {
                out += c;
                ++i;
                continue;
            }
            first = text.substr(next, e);
            next = e;
            if (text.get(e) == '.' && e + 1 < n && isnamechar(text.get(e + 1))) {
                int f = e + 1;
                while (f < n && isnamechar(text.get(f))) ++f;
                dotted = true;
                second = text.substr(e + 1, f);
                next = f;
            }
        }
        i = next;

        if (!dotted) {
            const TnString& v = first == "_" ? section.name() : section.option(first);
            budget_ -= v.length();
            out += v;
            continue;
        }
        const TnConfig* other = (first == "self" || first == "this") ? &section : config(first);
        if (!other) continue;
        if (second == "_") {
            out += other->name();
            continue;
        }
        // A chain deeper than this is a loop, or as good as one: it gives nothing.
        if (depth >= kMaxDepth || budget_ <= 0) continue;
        TnString v = _value(*other, other->option(second), depth + 1);
        budget_ -= v.length();
        out += v;
    }
    if (out.length() > kMaxValueBytes) out = out.substr(0, kMaxValueBytes);
    return out;
}

void TnConfigFile::display() const {
    for (int s = 0; s < order_.length(); ++s) {
        const TnConfig* c = config(*order_.get(s));
        if (!c) continue;
        TnDebug& d = tn_debug_obj();
        d.lock();
        d << "section: " << c->name() << '\n';
        d.unlock();
        c->display();
    }
}
