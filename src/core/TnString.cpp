#include "core/TnString.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <strings.h>

namespace {

int formatted(char* out, size_t n, const char* fmt, long long v) { return snprintf(out, n, fmt, v); }

}  // namespace

TnString::TnString() = default;

TnString::TnString(const char* text) { copy(text); }

TnString::TnString(const char* text, int length) { copy(text, length); }

TnString::TnString(const TnString& other) : TnBase() { copy(other); }

TnString::TnString(TnString&& other) noexcept
    : data_(other.data_), length_(other.length_), size_(other.size_), secure_(other.secure_) {
    other.data_ = nullptr;
    other.length_ = other.size_ = 0;
}

TnString::TnString(int value) { copy(value); }

TnString::TnString(long long value) {
    char buf[32];
    int n = formatted(buf, sizeof buf, "%lld", value);
    assign(buf, n);
}

TnString::TnString(float value) { copy(value); }

TnString::~TnString() { release(); }

void TnString::release() {
    if (data_ && secure_) wipe();
    delete[] data_;
    data_ = nullptr;
    length_ = size_ = 0;
}

// Makes room for `needed` content bytes plus the terminator: four times the need, at least 16.
void TnString::reserve(int needed) {
    if (needed + 1 <= size_) return;
    int capacity = (needed + 1) * 4;
    if (capacity < 16) capacity = 16;
    char* fresh = new char[capacity];
    if (data_) {
        memcpy(fresh, data_, length_ + 1);
        if (secure_) memset(data_, 0, size_);
        delete[] data_;
    } else {
        fresh[0] = 0;
    }
    data_ = fresh;
    size_ = capacity;
}

void TnString::assign(const char* bytes, int n) {
    if (n < 0) n = 0;
    if (data_ && bytes >= data_ && bytes < data_ + size_) {
        if (bytes == data_ && n == length_) return;  // copying onto itself
        memmove(data_, bytes, n);
    } else {
        reserve(n);
        memcpy(data_, bytes, n);
    }
    length_ = n;
    data_[n] = 0;
}

void TnString::copy(const TnString& other) {
    if (&other == this) return;
    secure_ = other.secure_;
    if (other.length_ == 0) {
        clear();
        return;
    }
    assign(other.data_, other.length_);
}

void TnString::copy(const char* text) {
    if (!text) return;
    assign(text, static_cast<int>(strlen(text)));
}

void TnString::copy(const char* text, int n) {
    if (!text || n <= 0) {
        clear();
        return;
    }
    assign(text, n);
}

void TnString::copy(int value) {
    char buf[16];
    int n = snprintf(buf, sizeof buf, "%d", value);
    assign(buf, n);
}

void TnString::copy(float value) {
    char buf[64];
    int n = snprintf(buf, sizeof buf, "%f", static_cast<double>(value));
    if (n >= static_cast<int>(sizeof buf)) n = sizeof buf - 1;
    assign(buf, n);
}

TnString& TnString::operator=(const TnString& other) {
    copy(other);
    return *this;
}

TnString& TnString::operator=(TnString&& other) noexcept {
    if (this != &other) {
        release();
        data_ = other.data_;
        length_ = other.length_;
        size_ = other.size_;
        secure_ = other.secure_;
        other.data_ = nullptr;
        other.length_ = other.size_ = 0;
    }
    return *this;
}

TnString& TnString::operator=(const TnString* other) {
    if (other) copy(*other);
    return *this;
}

TnString& TnString::operator=(const char* text) {
    copy(text);
    return *this;
}

TnString& TnString::operator=(int value) {
    copy(value);
    return *this;
}

void TnString::clear() {
    if (!data_) return;
    length_ = 0;
    data_[0] = 0;
}

void TnString::wipe() {
    if (data_) memset(data_, 0, size_);
}

char* TnString::copyvalue() const {
    char* out = new char[length_ + 1];
    if (data_) memcpy(out, data_, length_);
    out[length_] = 0;
    return out;
}

char TnString::get(int i) const { return (i >= 0 && i < length_) ? data_[i] : 0; }

void TnString::set(int i, char c) {
    if (i >= 0 && i < length_) data_[i] = c;
}

void TnString::append(char c) {
    reserve(length_ + 1);
    data_[length_++] = c;
    data_[length_] = 0;
}

void TnString::append(const char* bytes, int n) {
    if (!bytes || n < 1) return;
    if (data_ && bytes >= data_ && bytes < data_ + size_) {
        TnString tmp(bytes, n);  // appending part of itself
        append(tmp.data_, n);
        return;
    }
    reserve(length_ + n);
    memcpy(data_ + length_, bytes, n);
    length_ += n;
    data_[length_] = 0;
}

void TnString::append(const char* text) {
    if (!text || !*text) return;
    append(text, static_cast<int>(strlen(text)));
}

TnString& TnString::operator+=(const TnString& other) {
    append(other.data_, other.length_);
    return *this;
}

TnString& TnString::operator+=(const TnString* other) {
    if (other) append(other->data_, other->length_);
    return *this;
}

TnString& TnString::operator+=(const char* text) {
    append(text);
    return *this;
}

TnString& TnString::operator+=(char c) {
    append(c);
    return *this;
}

TnString& TnString::operator+=(int value) { return *this += TnString(value); }

TnString& TnString::operator+=(long long value) { return *this += TnString(value); }

TnString& TnString::operator+=(float value) { return *this += TnString(value); }

bool TnString::operator==(const TnString& other) const {
    if (length_ != other.length_) return false;
    if (length_ == 0) return true;
    return strcmp(data_, other.data_) == 0;
}

bool TnString::operator<(const TnString& other) const {
    if (length_ == 0) return other.length_ != 0;
    if (other.length_ == 0) return false;
    return strcmp(data_, other.data_) < 0;
}

int TnString::cmp(const TnString& other) const {
    if (length_ == 0 && other.length_ == 0) return 0;
    if (other.length_ == 0) return 1;
    if (length_ == 0) return -1;
    int r = strcmp(data_, other.data_);
    return (r > 0) - (r < 0);
}

bool TnString::compare(const TnString& other, int mode) const {
    if (length_ != other.length_) return false;
    if (length_ == 0) return true;
    if (mode == 0) return strcmp(data_, other.data_) == 0;
    if (mode == 1) return strcasecmp(data_, other.data_) == 0;
    return false;
}

int TnString::find(const TnString& s) const {
    if (s.length_ == 0) return 1;
    if (s.length_ > length_) return 0;
    return memmem(data_, length_, s.data_, s.length_) ? 1 : 0;
}

int TnString::haschar(char c) const {
    for (int i = 0; i < length_; ++i)
        if (data_[i] == c) return 1;
    return 0;
}

int TnString::hasspace() const {
    for (int i = 0; i < length_; ++i) {
        char c = data_[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') return 1;
    }
    return 0;
}

int TnString::multiline() const { return haschar('\n') || haschar('\r'); }

bool TnString::isinteger() const {
    if (length_ == 0) return false;
    if (!isdigit(static_cast<unsigned char>(data_[0])) && data_[0] != '-') return false;
    for (int i = 1; i < length_; ++i)
        if (!isdigit(static_cast<unsigned char>(data_[i]))) return false;
    return true;
}

bool TnString::isfloat() const {
    if (length_ == 0) return false;
    char first = data_[0];
    if (!isdigit(static_cast<unsigned char>(first)) && first != '-' && first != '+' && first != '.') return false;
    int dots = first == '.';
    for (int i = 1; i < length_; ++i) {
        if (data_[i] == '.')
            ++dots;
        else if (!isdigit(static_cast<unsigned char>(data_[i])))
            return false;
    }
    return dots <= 1;
}

TnString TnString::tolower() const {
    TnString out(*this);
    for (int i = 0; i < out.length_; ++i) out.data_[i] = static_cast<char>(::tolower(static_cast<unsigned char>(out.data_[i])));
    return out;
}

TnString TnString::toupper() const {
    TnString out(*this);
    for (int i = 0; i < out.length_; ++i) out.data_[i] = static_cast<char>(::toupper(static_cast<unsigned char>(out.data_[i])));
    return out;
}

TnString TnString::substr(int from, int to) const {
    TnString out;
    if (from < 0) from = 0;
    if (from >= length_) return out;
    if (to > length_) to = length_;
    if (to > from) out.assign(data_ + from, to - from);
    return out;
}

TnString TnString::removecontrolchars() const {
    TnString out;
    for (int i = 0; i < length_; ++i) {
        signed char c = static_cast<signed char>(data_[i]);
        if ((c >= 32 && c <= 126) || c == '\t' || c == '\n' || c == '\r') out.append(static_cast<char>(c));
    }
    return out;
}

TnString TnString::replacevalue(const TnString& from, const TnString& to, unsigned char casesensitive) const {
    if (from.length_ == 0) return *this;
    TnString out;
    TnString lowfrom = casesensitive ? TnString() : from.tolower();
    auto same = [casesensitive](char a, char b) {
        if (casesensitive) return a == b;
        return ::tolower(static_cast<unsigned char>(a)) == ::tolower(static_cast<unsigned char>(b));
    };
    int p = 0;
    while (p < length_) {
        if (same(data_[p], from.data_[0])) {
            TnString candidate = substr(p, p + from.length_);
            bool hit = casesensitive ? candidate == from : candidate.tolower() == lowfrom;
            if (hit) {
                out += to;
                p += from.length_;
                continue;
            }
        }
        out.append(data_[p]);
        ++p;
    }
    if (out.isundef()) out.copy("");
    return out;
}

TnString TnString::LFtoCRLF() const {
    TnString out;
    for (int i = 0; i < length_; ++i) {
        if (data_[i] == '\n' && (i == 0 || data_[i - 1] != '\r')) out.append('\r');
        out.append(data_[i]);
    }
    return out;
}

int TnString::integervalue() const { return length_ == 0 ? 0 : atoi(data_); }

long long TnString::longlongvalue() const { return length_ == 0 ? 0 : strtoll(data_, nullptr, 10); }

float TnString::floatvalue() const { return length_ == 0 ? 0.0f : static_cast<float>(atof(data_)); }

void TnString::floatvalue(float v) { copy(v); }

void TnString::integervalue(int value, int width) { *this += padded_int(value, width); }

void TnString::integervalue(int value, int width, char pad) {
    TnString digits(value);
    for (int i = digits.length(); i < width; ++i) append(pad);
    *this += digits;
}

TnString TnString::padded_int(int value, int width) {
    char buf[64];
    if (width < 0) width = 0;
    if (width > 40) width = 40;
    int n = snprintf(buf, sizeof buf, "%0*d", width, value);
    return TnString(buf, n);
}

namespace {

unsigned hexdigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

}  // namespace

char TnString::hexchar() const {
    if (length_ == 0) return 0;
    if (length_ == 1) return static_cast<char>(hexdigit(data_[0]));
    return static_cast<char>(hexdigit(data_[0]) * 16 + hexdigit(data_[1]));
}

unsigned int TnString::hexvalue() const {
    unsigned int v = 0;
    for (int i = 0; i < length_; ++i) v = v * 16 + hexdigit(data_[i]);
    return v;
}

void TnString::hexvalue(char c) {
    static const char digits[] = "0123456789ABCDEF";
    unsigned char b = static_cast<unsigned char>(c);
    append(digits[b >> 4]);
    append(digits[b & 15]);
}

void TnString::_debug_info() const {
    std::cout << "TnString:\n\tsize: " << size_ << "\n\tlength: " << length_ << "\n\tdata: '" << value() << "'\n";
}

std::ostream& operator<<(std::ostream& os, const TnString& s) { return os << s.value(); }

TnString operator+(const TnString& a, const TnString& b) {
    TnString r(a);
    r += b;
    return r;
}
TnString operator+(const TnString& a, const char* b) { return a + TnString(b); }
TnString operator+(const char* a, const TnString& b) { return TnString(a) + b; }
TnString operator+(const TnString& a, char b) {
    TnString r(a);
    r.append(b);
    return r;
}
TnString operator+(char a, const TnString& b) {
    TnString r;
    r.append(a);
    return r + b;
}
TnString operator+(const TnString& a, int b) { return a + TnString(b); }
TnString operator+(int a, const TnString& b) { return TnString(a) + b; }
TnString operator+(const TnString& a, float b) { return a + TnString(b); }
TnString operator+(float a, const TnString& b) { return TnString(a) + b; }
