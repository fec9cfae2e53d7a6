#include "config/TnConfig.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "diag/TnDebug.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

const char kNotIncluded[] = "# these are not included in the template";

}  // namespace

TnConfig::TnConfig() { resetFields(); }

TnConfig::TnConfig(const TnString& path) : TnConfig() { load(path); }

TnConfig::TnConfig(const TnConfig& other) : TnRecord<TnConfig>() {
    resetFields();
    copy(other);
}

TnConfig& TnConfig::operator=(const TnConfig& other) {
    copy(other);
    return *this;
}

void TnConfig::copy(const TnConfig& other) {
    if (&other == this) return;
    TnRecord<TnConfig>::copy(other);
    // A decoded or hand-filled entry may carry options without labels; keep them reachable.
    if (other.labels_.length() == 0) options_.copykeys(labels_);
}

bool TnConfig::readfile(const TnString& path, TnString& out) {
    int fd = ::open(path.value(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out.clear();
    char block[1024];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;  // a directory, or a device that refuses
        if (n <= 0) break;
        int room = kMaxFileBytes - out.length();
        out.append(block, static_cast<int>(n) < room ? static_cast<int>(n) : room);
        // A short block means the end of the file was reached.
        if (n <= 1022 || out.length() >= kMaxFileBytes) break;
    }
    ::close(fd);
    if (out.isundef()) out = "";
    return ok;
}

int TnConfig::load(const TnString& path) {
    TnString text;
    if (!readfile(path, text)) {
        valid_ = 0;
        return 0;
    }
    parse(text);
    return 1;
}

void TnConfig::parse(const TnString& text) {
    text_ = text;
    position_ = 0;
    _parse();
    valid_ = 1;
}

char TnConfig::get() {
    if (eof()) return 0;
    return text_.get(position_++);
}

void TnConfig::_skipline() {
    while (!eof() && get() != '\n') {
    }
}

void TnConfig::_parse() {
    while (!eof()) {
        char c = peek();
        if (blank(c)) {
            get();
            continue;
        }
        if (c == '#') {
            _skipline();
            continue;
        }
        if (c == '[') {
            while (!eof() && get() != ']') {
            }
            continue;
        }

        TnString key;
        bool assigned = false;
        while (!eof()) {
            c = get();
            if (c == '=') {
                assigned = true;
                break;
            }
            if (c == '\n') break;
            if (c == '#') {
                _skipline();
                break;
            }
            if (!blank(c)) key += c;
        }
        if (!assigned) continue;

        while (!eof() && blank(peek())) get();
        TnString value = "";
        if (!eof()) {
            c = peek();
            if (c == '\'' || c == '"') {
                char quote = get();
                while (!eof()) {
                    c = peek();
                    if (c == '\n') break;
                    get();
                    if (c == quote) break;
                    if (c != '\r') value += c;
                }
            } else if (c == '{') {
                get();
                int depth = 1;
                while (!eof()) {
                    c = get();
                    if (c == '{') {
                        ++depth;
                    } else if (c == '}' && --depth == 0) {
                        break;
                    }
                    if (c != '\r') value += c;
                }
            } else {
                while (!eof()) {
                    c = peek();
                    if (blank(c) || c == '\n' || c == '#' || static_cast<unsigned char>(c) >= 128) break;
                    value += get();
                }
            }
        }
        _skipline();
        // A line of the form "= value" names nothing; it is malformed like any other.
        if (key.length() > 0) option(key, value);
    }
}

const TnString& TnConfig::option(const TnString& name) const {
    const TnString* v = options_.get(name);
    return v ? *v : empty_;
}

void TnConfig::option(const TnString& name, const TnString& value) {
    if (!options_.get(name)) labels_.push(new TnString(name));
    options_.set(new TnString(value), name);
}

int TnConfig::remove(const TnString& name) {
    TnString* v = options_.remove(name);
    if (!v) return 0;
    delete v;
    int at = labels_.find(name);
    if (at >= 0) delete labels_.remove(at);
    return 1;
}

TnString TnConfig::host() {
    char buf[1025] = {};
    if (gethostname(buf, 1024) != 0) return TnString("");
    buf[1024] = 0;
    return TnString(buf);
}

int TnConfig::matchsubset(const TnConfig& other) const {
    for (int i = 0; i < other.labels_.length(); ++i) {
        const TnString& key = *other.labels_.get(i);
        if (!(option(key) == other.option(key))) return 0;
    }
    return 1;
}

void TnConfig::inherit(const TnConfig& other) {
    if (&other == this) return;
    for (int i = 0; i < other.labels_.length(); ++i) {
        const TnString& key = *other.labels_.get(i);
        option(key, other.option(key));
    }
}

TnString TnConfig::assignment(const TnString& name, const TnString& value) {
    TnString out = name;
    out += " = ";
    if (value.multiline()) {
        out += '{';
        out += value;
        out += '}';
    } else if (value.haschar(' ') || value.haschar('\t')) {
        out += '"';
        out += value;
        out += '"';
    } else {
        out += value;
    }
    return out;
}

TnString TnConfig::convert() const {
    TnString out = "";
    for (int i = 0; i < labels_.length(); ++i) {
        const TnString& key = *labels_.get(i);
        out += assignment(key, option(key));
        out += '\n';
    }
    return out;
}

TnString TnConfig::usetemplate(const TnString& templ) const {
    TnString out = "";
    TnStringHash written;
    const int n = templ.length();
    int at = 0;
    while (at < n) {
        // One line; a newline inside braces belongs to a multi-line value.
        int depth = 0;
        int end = at;
        while (end < n) {
            char c = templ.get(end);
            if (c == '{') {
                ++depth;
            } else if (c == '}') {
                if (depth > 0) --depth;
            } else if (c == '\n' && depth == 0) {
                break;
            }
            ++end;
        }
        TnString line = templ.substr(at, end);
        at = end + 1;

        if (line.length() == 0) {
            out += '\n';
            continue;
        }
        int p = 0;
        while (p < line.length() && (line.get(p) == ' ' || line.get(p) == '\t')) ++p;
        bool commented = line.get(p) == '#';
        while (p < line.length() && !(line.get(p) >= 'a' && line.get(p) <= 'z')) ++p;
        TnString key = "";
        bool assign = false;
        for (; p < line.length(); ++p) {
            char c = line.get(p);
            if (c == '=' || c == '.') {
                assign = c == '=';
                break;
            }
            if (c != ' ' && c != '\t') key += c;
        }

        if (assign && exists(key)) {
            if (!written.get(key)) {
                written.set(new TnString("1"), key);
                out += assignment(key, option(key));
                out += '\n';
            }
        } else if (assign && !commented) {
            out += '#';
            out += line;
            out += '\n';
        } else if (!(line == kNotIncluded)) {
            out += line;
            out += '\n';
        }
    }

    bool trailer = false;
    for (int i = 0; i < labels_.length(); ++i) {
        const TnString& key = *labels_.get(i);
        if (written.get(key)) continue;
        if (!trailer) {
            out += kNotIncluded;
            out += '\n';
            trailer = true;
        }
        out += assignment(key, option(key));
        out += '\n';
    }
    if (trailer) out += '\n';
    return out;
}

TnString TnConfig::loadtemplate(const TnString& path) const {
    TnString templ = "";
    readfile(path, templ);
    return usetemplate(templ);
}

void TnConfig::display() const {
    TnDebug& d = tn_debug_obj();
    d.lock();
    d << "items: " << labels_.length() << '\n';
    for (int i = 0; i < labels_.length(); ++i) {
        const TnString& key = *labels_.get(i);
        d << i << ": " << key << "=" << option(key) << '\n';
    }
    d.unlock();
}
