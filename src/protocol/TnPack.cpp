#include "protocol/TnPack.h"

#include <arpa/inet.h>
#include <expat.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <utility>

#include "protocol/TnPackObj.h"
#include "protocol/TnPackObjList.h"

TnPack::~TnPack() { delete[] buffer_; }

// ---- byte order -------------------------------------------------------------------------

uint64_t TnPack::htonll(uint64_t v) {
    uint32_t hi = htonl(static_cast<uint32_t>(v >> 32));
    uint32_t lo = htonl(static_cast<uint32_t>(v));
    return (static_cast<uint64_t>(lo) << 32) | hi;
}

int16_t TnPack::_rc_int16(const char* p) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<int16_t>((b[0] << 8) | b[1]);
}

int32_t TnPack::_rc_int32(const char* p) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<int32_t>((static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
                                (static_cast<uint32_t>(b[2]) << 8) | b[3]);
}

int64_t TnPack::_rc_int64(const char* p) {
    uint64_t hi = static_cast<uint32_t>(_rc_int32(p));
    uint64_t lo = static_cast<uint32_t>(_rc_int32(p + 4));
    return static_cast<int64_t>((hi << 32) | lo);
}

void TnPack::_wc_int16(char* p, int16_t v) {
    uint16_t u = static_cast<uint16_t>(v);
    p[0] = static_cast<char>(u >> 8);
    p[1] = static_cast<char>(u);
}

void TnPack::_wc_int32(char* p, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    p[0] = static_cast<char>(u >> 24);
    p[1] = static_cast<char>(u >> 16);
    p[2] = static_cast<char>(u >> 8);
    p[3] = static_cast<char>(u);
}

void TnPack::_wc_int64(char* p, int64_t v) {
    _wc_int32(p, static_cast<int32_t>(static_cast<uint64_t>(v) >> 32));
    _wc_int32(p + 4, static_cast<int32_t>(v));
}

// ---- writing ----------------------------------------------------------------------------

void TnPack::_store(const char* bytes, int n) {
    if (!bytes || n < 1) return;
    if (size_ + n > capacity_) {
        int capacity = (size_ + n) * 4 + 16;
        char* fresh = new char[capacity];
        if (size_ > 0) memcpy(fresh, buffer_, size_);
        delete[] buffer_;
        buffer_ = fresh;
        capacity_ = capacity;
    }
    memcpy(buffer_ + size_, bytes, n);
    size_ += n;
}

void TnPack::_clear() {
    delete[] buffer_;
    buffer_ = nullptr;
    size_ = capacity_ = 0;
}

void TnPack::_tag(short id, short type) {
    char header[4];
    _wc_int16(header, id);
    _wc_int16(header + 2, type);
    _store(header, 4);
}

void TnPack::pack() {
    size_ = 0;
    char version[4];
    _wc_int32(version, 1);
    _store(version, 4);
    encode();
}

void TnPack::_package() {
    size_ = 0;
    encode();
}

void TnPack::store(short tag, int value) {
    char b[8];
    _wc_int16(b, tag);
    _wc_int16(b + 2, kInt);
    _wc_int32(b + 4, value);
    _store(b, 8);
}

void TnPack::store(short tag, char value) {
    _tag(tag, kChar);
    _store(&value, 1);
}

void TnPack::store(short tag, unsigned char value) {
    _tag(tag, kUChar);
    _store(reinterpret_cast<const char*>(&value), 1);
}

void TnPack::store(short tag, long long value) {
    char b[12];
    _wc_int16(b, tag);
    _wc_int16(b + 2, kLong);
    _wc_int64(b + 4, value);
    _store(b, 12);
}

void TnPack::store(short tag, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    char b[8];
    _wc_int16(b, tag);
    _wc_int16(b + 2, kFloat);
    _wc_int32(b + 4, static_cast<int32_t>(bits));
    _store(b, 8);
}

void TnPack::storeString(short tag, const char* bytes, int n) {
    char b[8];
    _wc_int16(b, tag);
    _wc_int16(b + 2, kString);
    _wc_int32(b + 4, n);
    _store(b, 8);
    _store(bytes, n);
}

void TnPack::store(short tag, const TnString& value) { storeString(tag, value.value(), value.length()); }

void TnPack::store(short tag, const char* value) {
    storeString(tag, value ? value : "", value ? static_cast<int>(strlen(value)) : 0);
}

void TnPack::store(short tag, TnPack& sub) {
    sub._package();
    char b[12];
    _wc_int16(b, tag);
    _wc_int16(b + 2, kObject);
    _wc_int32(b + 4, sub.type());
    _wc_int32(b + 8, sub.packSize());
    _store(b, 12);
    _store(sub.packContents(), sub.packSize());
    sub._clear();
}

// ---- reading ----------------------------------------------------------------------------

int TnPack::unpack(const char* data, int len) {
    if (!data || len < 4) return 1;
    _clear();
    if (_rc_int32(data) != 1) return 3;
    if (len == 4) return 2;
    _unpack(data + 4, len - 4);
    return 0;
}

void TnPack::_unpack(const char* data, int len) {
    cursor_ = data;
    size_ = data ? len : 0;
    while (_readtag()) {
        decode();
        _yank();
    }
    cursor_ = nullptr;
    size_ = 0;
}

bool TnPack::_readtag() {
    if (size_ < 4) return false;
    tag_ = _rc_int16(cursor_);
    wire_ = _rc_int16(cursor_ + 2);
    consumed_ = 0;
    advance(4);
    return true;
}

void TnPack::dropRest() {
    cursor_ += size_;
    size_ = 0;
}

bool TnPack::takeInt32(int32_t& out) {
    if (size_ < 4) {
        dropRest();
        return false;
    }
    out = _rc_int32(cursor_);
    advance(4);
    return true;
}

// Passes over a value the record did not take: wire types 1, 2, 3, 4 and 6 are skipped;
// anything else (5, 7, unknown codes) ends the decoding of this object.
void TnPack::_yank() {
    if (consumed_) return;
    int scratch;
    char c;
    unsigned char u;
    switch (wire_) {
    case kInt: restore(tag_, scratch); break;
    case kObject: trashObj(tag_); break;
    case kString: {
        int32_t n;
        if (!takeInt32(n)) break;
        if (n < 0 || n > size_) {
            dropRest();
            break;
        }
        advance(n);
        consumed_ = 1;
        break;
    }
    case kChar: restore(tag_, c); break;
    case kUChar: restore(tag_, u); break;
    default: size_ = 0; break;
    }
    if (!consumed_) size_ = 0;
}

void TnPack::restore(short tag, int& value) {
    if (!matches(tag, kInt)) return;
    if (size_ < 4) return dropRest();
    value = _rc_int32(cursor_);
    advance(4);
    consumed_ = 1;
}

void TnPack::restore(short tag, char& value) {
    if (!matches(tag, kChar)) return;
    if (size_ < 1) return dropRest();
    value = *cursor_;
    advance(1);
    consumed_ = 1;
}

void TnPack::restore(short tag, unsigned char& value) {
    if (!matches(tag, kUChar)) return;
    if (size_ < 1) return dropRest();
    value = static_cast<unsigned char>(*cursor_);
    advance(1);
    consumed_ = 1;
}

void TnPack::restore(short tag, long long& value) {
    if (!matches(tag, kLong)) return;
    if (size_ < 8) return dropRest();
    value = _rc_int64(cursor_);
    advance(8);
    consumed_ = 1;
}

// Floats travel as integers in every record of the farm; the IEEE form that store(float)
// writes is read back as well.
void TnPack::restore(short tag, float& value) {
    if (tag_ != tag || (wire_ != kInt && wire_ != kFloat)) return;
    if (size_ < 4) return dropRest();
    int32_t raw = _rc_int32(cursor_);
    if (wire_ == kInt) {
        value = static_cast<float>(raw);
    } else {
        uint32_t bits = static_cast<uint32_t>(raw);
        memcpy(&value, &bits, 4);
    }
    advance(4);
    consumed_ = 1;
}

void TnPack::restore(short tag, TnString& value) {
    if (!matches(tag, kString)) return;
    int32_t n;
    if (!takeInt32(n)) return;
    if (n < 0 || n > size_) return dropRest();
    if (n > 0) value.copy(cursor_, n);
    advance(n);
    consumed_ = 1;
}

void TnPack::restore(short tag, TnPack& sub) {
    if (!matches(tag, kObject)) return;
    int32_t t, n;
    if (!takeInt32(t) || !takeInt32(n)) return;
    if (t != sub.type() || n < 0 || n > size_) return dropRest();
    sub._unpack(cursor_, n);
    advance(n);
    consumed_ = 1;
}

void TnPack::trashObj(short tag) {
    if (!matches(tag, kObject)) return;
    int32_t t, n;
    if (!takeInt32(t) || !takeInt32(n)) return;
    if (n < 0 || n > size_) return dropRest();
    advance(n);
    consumed_ = 1;
}

// ---- files ------------------------------------------------------------------------------

namespace {

bool regularFile(const TnString& path, long long* size) {
    struct stat st;
    if (path.empty() || stat(path.value(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *size = st.st_size;
    return true;
}

// Largest binary archive that recover() reads.
const int kMaxArchiveBytes = 256 * 1024 * 1024;

// Reads a whole regular file; false when it is missing, unreadable or too large to pack.
bool loadFile(const TnString& path, TnString& out) {
    long long size = 0;
    if (!regularFile(path, &size) || size > kMaxArchiveBytes) return false;
    FILE* f = fopen(path.value(), "rb");
    if (!f) return false;
    out.copy("");
    char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) {
        out.append(block, static_cast<int>(n));
        if (out.length() > kMaxArchiveBytes) break;
    }
    fclose(f);
    return out.length() <= kMaxArchiveBytes;
}

// Reads a whole regular file of at most `limit` bytes into one new array laid out as
// prefix + contents + suffix (and a NUL), sized once from the file's length. Null when the
// file is missing, unreadable, larger than limit, or changed its size while being read.
char* loadWrapped(const TnString& path, const char* prefix, const char* suffix, int limit, int* length) {
    long long size = 0;
    if (!regularFile(path, &size) || size > limit) return nullptr;
    FILE* f = fopen(path.value(), "rb");
    if (!f) return nullptr;
    int before = static_cast<int>(strlen(prefix)), after = static_cast<int>(strlen(suffix));
    int n = static_cast<int>(size);
    char* text = new (std::nothrow) char[before + n + after + 2];
    if (!text) {
        fclose(f);
        return nullptr;
    }
    memcpy(text, prefix, before);
    size_t got = n > 0 ? fread(text + before, 1, n, f) : 0;
    char extra;
    bool whole = got == static_cast<size_t>(n) && fread(&extra, 1, 1, f) == 0;
    fclose(f);
    if (!whole) {
        delete[] text;
        return nullptr;
    }
    memcpy(text + before + n, suffix, after);
    text[before + n + after] = 0;
    *length = before + n + after;
    return text;
}

}  // namespace

int TnPack::archive(const TnString& path) {
    FILE* f = fopen(path.value(), "wb");
    if (!f) return 0;
    pack();
    int n = size_;
    fwrite(buffer_, 1, n, f);
    fclose(f);
    _clear();
    return n;
}

int TnPack::recover(const TnString& path) {
    TnString bytes;
    if (!loadFile(path, bytes)) return 0;
    return unpack(bytes.value(), bytes.length()) == 0 ? bytes.length() : 0;
}

void TnPack::_debug_print() const {
    for (int i = 0; i < size_; ++i) std::cout << buffer_[i] << ' ';
    std::cout << '\n';
}

// ---- XML writing ------------------------------------------------------------------------

void TnPack::_storeXML(const char* bytes, int n) {
    if (!bytes || n < 1) return;
    long long needed = static_cast<long long>(size_) + n + 1;
    if (needed > capacity_) {
        // The usual growth, or just what is needed where four times that would not fit in an
        // int; a text that cannot be held at all loses the write instead of wrapping around.
        long long capacity = needed * 4 + 16;
        if (capacity > INT_MAX) capacity = needed;
        if (capacity > INT_MAX) return;
        char* fresh = new (std::nothrow) char[capacity];
        if (!fresh) return;
        if (size_ > 0) memcpy(fresh, buffer_, size_);
        delete[] buffer_;
        buffer_ = fresh;
        capacity_ = static_cast<int>(capacity);
    }
    memcpy(buffer_ + size_, bytes, n);
    size_ += n;
    buffer_[size_] = 0;
}

void TnPack::writeXMLIndent() {
    static const char tabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    for (int left = depth_; left > 0; left -= 16) _storeXML(tabs, left < 16 ? left : 16);
}

void TnPack::writeXMLLine(const TnString& name, const char* bytes, int n) {
    writeXMLIndent();
    _storeXML("<", 1);
    _storeXML(name.value(), name.length());
    _storeXML(">", 1);
    _storeXML(bytes, n);
    _storeXML("</", 2);
    _storeXML(name.value(), name.length());
    _storeXML(">\n", 2);
}

// One pass gives the same text as replacing & first and then <, > and " in turn, since no
// entity brings back a character replaced before it. The apostrophe stays as it is.
void TnPack::storeXML(const TnString& name, const TnString& value) {
    const char* p = value.value();
    int n = value.length();
    int i = 0;
    while (i < n && p[i] != '&' && p[i] != '<' && p[i] != '>' && p[i] != '"') ++i;
    if (i == n) return writeXMLLine(name, p, n);
    TnString text;
    int start = 0;
    for (; i < n; ++i) {
        const char* entity;
        switch (p[i]) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        case '"': entity = "&quot;"; break;
        default: continue;
        }
        text.append(p + start, i - start);
        text.append(entity);
        start = i + 1;
    }
    text.append(p + start, n - start);
    writeXMLLine(name, text.value(), text.length());
}

void TnPack::storeXML(const TnString& name, const char* value) { storeXML(name, TnString(value ? value : "")); }
void TnPack::storeXML(const TnString& name, int value) { storeXML(name, TnString(value)); }
void TnPack::storeXML(const TnString& name, long long value) { storeXML(name, TnString(value)); }
void TnPack::storeXML(const TnString& name, unsigned char value) { storeXML(name, value ? "1" : "0"); }
void TnPack::storeXML(const TnString& name, float value) { storeXML(name, TnString(value)); }

// A NUL character is written as an empty element: the byte itself would make the text
// unreadable, and an empty text leaves the reader's field as it was.
void TnPack::storeXML(const TnString& name, char value) {
    TnString text;
    if (value) text.append(value);
    storeXML(name, text);
}

void TnPack::storeXML(const TnString& name, TnPack& sub) {
    writeXMLIndent();
    _storeXML("<", 1);
    _storeXML(name.value(), name.length());
    _storeXML(">\n", 2);
    sub.depth_ = depth_ + 1;
    sub._packageXML();
    _storeXML(sub.buffer_, sub.size_);
    sub._clear();
    writeXMLIndent();
    _storeXML("</", 2);
    _storeXML(name.value(), name.length());
    _storeXML(">\n", 2);
}

void TnPack::writeXMLObjectLine() {
    writeXMLIndent();
    _storeXML("<object type = '", 16);
    TnString word = typeXML();
    _storeXML(word.value(), word.length());
    _storeXML("'>\n", 3);
}

void TnPack::_packageXML() {
    size_ = 0;
    writeXMLObjectLine();
    ++depth_;
    encodeXML();
    --depth_;
    writeXMLIndent();
    _storeXML("</object>\n", 10);
}

void TnPack::packXML() {
    size_ = 0;
    depth_ = 0;
    storeXML("version", "1");
    writeXMLObjectLine();
    ++depth_;
    encodeXML();
    --depth_;
    _storeXML("</object>", 9);
}

// A file that could not be written whole reports 0 like one that could not be opened.
int TnPack::archiveXML(const TnString& path) {
    FILE* f = fopen(path.value(), "w");
    if (!f) return 0;
    packXML();
    int n = size_;
    bool written = n == 0 || fwrite(buffer_, 1, n, f) == static_cast<size_t>(n);
    if (fclose(f) != 0) written = false;
    _clear();
    return written ? n : 0;
}

void TnPack::showXML() {
    packXML();
    if (size_ > 0) std::cout.write(buffer_, size_);
    std::cout << '\n';
}

// ---- XML reading ------------------------------------------------------------------------

namespace {

// What one document may still take in memory: its tree, then the values decoded from it.
// Small elements cost far more as nodes and entries than as text (an empty object element
// of nine bytes becomes a node of about a kilobyte), so the text limit alone would let a
// document of tens of megabytes claim gigabytes.
struct XMLAllowance {
    long long left = 0;
    bool spent = false;
};

thread_local XMLAllowance* allowance = nullptr;

bool charge(long long bytes) {
    XMLAllowance* a = allowance;
    if (!a) return true;
    if (a->spent) return false;
    a->left -= bytes;
    if (a->left < 0) a->spent = true;
    return !a->spent;
}

// A new node with its two empty 17-slot tables, counted before it is made; what nodes take
// for their entries is counted as they are stored.
const long long kNodeCost =
    static_cast<long long>(sizeof(TnPackObj)) + 16 + 2 * (17 * 2 * static_cast<long long>(sizeof(void*)) + 32);

struct XMLState {
    XML_Parser parser;
    TnPackObjList stack;
    int depth = 0;
};

void stopParser(XMLState* s) { XML_StopParser(s->parser, XML_FALSE); }

void XMLCALL TnPackStartElement(void* data, const XML_Char* name, const XML_Char**) {
    XMLState* s = static_cast<XMLState*>(data);
    if (++s->depth > TnPack::kMaxXMLDepth) return stopParser(s);
    if (strcmp(name, "object") == 0) {
        if (!charge(kNodeCost)) return stopParser(s);
        s->stack.push(new TnPackObj);
        return;
    }
    TnPackObj* top = s->stack.top();
    top->name() = name;
    top->cache().clear();
}

void XMLCALL TnPackEndElement(void* data, const XML_Char* name) {
    XMLState* s = static_cast<XMLState*>(data);
    --s->depth;
    if (strcmp(name, "object") == 0) {
        // Only a start refused for depth or memory leaves an end without its node.
        if (s->stack.length() < 2) return stopParser(s);
        TnPackObj* done = s->stack.pop();
        TnPackObj* parent = s->stack.top();
        if (!charge(parent->addElement(parent->name(), done))) stopParser(s);
        return;
    }
    TnPackObj* top = s->stack.top();
    long long bytes = top->addVariable(top->name(), std::move(top->cache()));
    top->cache().clear();
    top->name() = "undef_obj";
    if (!charge(bytes)) stopParser(s);
}

void XMLCALL TnPackData(void* data, const XML_Char* text, int len) {
    XMLState* s = static_cast<XMLState*>(data);
    s->stack.top()->cache().append(text, len);
}

// The pack form never declares a document type; refusing one shuts out entity expansion
// and external entities before any is declared.
void XMLCALL TnPackDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    stopParser(static_cast<XMLState*>(data));
}

// Builds the tree of one document; null when the parser rejected the text or gave up on it.
// Sets *created to false when no parser could be made.
TnPackObj* parseXML(const char* text, int len, bool* created) {
    XMLState state;
    state.parser = XML_ParserCreate(nullptr);
    *created = state.parser != nullptr;
    if (!state.parser) return nullptr;
    state.stack.push(new TnPackObj);
    XML_SetUserData(state.parser, &state);
    XML_SetElementHandler(state.parser, TnPackStartElement, TnPackEndElement);
    XML_SetCharacterDataHandler(state.parser, TnPackData);
    XML_SetStartDoctypeDeclHandler(state.parser, TnPackDoctype);
    XML_Status status = XML_Parse(state.parser, text, len, 1);
    XML_ParserFree(state.parser);
    if (status != XML_STATUS_OK) {
        state.stack.clear();
        return nullptr;
    }
    // A well-formed document closes every object it opened: the root is all that is left.
    TnPackObj* root = state.stack.pop();
    state.stack.clear();
    return root;
}

}  // namespace

bool TnPack::_chargeXML(long long bytes) { return charge(bytes); }

int TnPack::unpackXML(const char* text, int len) {
    if (!text || len < 0 || len > kMaxXMLBytes) return 4;
    XMLAllowance budget;
    budget.left = static_cast<long long>(len) * kXMLMemoryFactor + kXMLMemoryBase;
    XMLAllowance* outer = allowance;
    allowance = &budget;
    bool created = false;
    TnPackObj* root = parseXML(text, len, &created);
    int result = 0;
    if (!root) {
        result = created ? 4 : 5;
    } else {
        const TnString* version = static_cast<const TnPackObj*>(root)->variables().get("version");
        if (!version)
            result = 1;
        else if (version->integervalue() != 1)
            result = 3;
        else
            _unpackXML(root->elements().get("undef_obj"));
        delete root;
        if (result == 0 && budget.spent) result = 4;
    }
    allowance = outer;
    return result;
}

int TnPack::_unpackXML(TnPackObj* node) {
    if (!node) return 0;
    TnPackObj* saved = node_;
    node_ = node;
    decodeXML();
    node_ = saved;
    return 0;
}

int TnPack::recoverXML(const TnString& path) {
    int length = 0;
    char* wrapped = loadWrapped(path, "<pack>\n", "\n</pack>", kMaxXMLBytes, &length);
    if (!wrapped) return 0;
    int result = unpackXML(wrapped, length) == 0 ? length : 0;
    delete[] wrapped;
    return result;
}

namespace {
const TnString* variable(const TnPackObj* node, const TnString& name) {
    return node ? node->variables().get(name) : nullptr;
}
}  // namespace

void TnPack::restoreXML(const TnString& name, TnString& value) {
    if (const TnString* text = variable(node_, name)) value = *text;
}

void TnPack::restoreXML(const TnString& name, int& value) {
    if (const TnString* text = variable(node_, name)) value = text->integervalue();
}

void TnPack::restoreXML(const TnString& name, long long& value) {
    if (const TnString* text = variable(node_, name)) value = text->longlongvalue();
}

void TnPack::restoreXML(const TnString& name, unsigned char& value) {
    if (const TnString* text = variable(node_, name)) value = text->integervalue() != 0;
}

void TnPack::restoreXML(const TnString& name, char& value) {
    const TnString* text = variable(node_, name);
    if (text && !text->empty()) value = text->get(0);
}

void TnPack::restoreXML(const TnString& name, float& value) {
    if (const TnString* text = variable(node_, name)) value = text->floatvalue();
}

void TnPack::restoreXML(const TnString& name, TnPack& sub) {
    TnPackObj* child = node_ ? node_->elements().get(name) : nullptr;
    if (child) sub._unpackXML(child);
}
