#ifndef TN_CORE_TNSTRING_H
#define TN_CORE_TNSTRING_H

#include <iosfwd>

#include "core/TnBase.h"

// The library's byte string: mutable, value semantics, may hold NUL bytes, never throws.
// value() never returns null. A secure string zeroes every buffer it gives back.
// Numeric readers give 0 on text that holds no number.
class TnString : public TnBase {
public:
    TnString();
    TnString(const char* text);
    TnString(const char* text, int length);
    TnString(const TnString& other);
    TnString(TnString&& other) noexcept;
    explicit TnString(int value);
    explicit TnString(long long value);
    explicit TnString(float value);
    ~TnString() override;

    int type() const override { return 72; }

    virtual void copy(const TnString& other);
    void copy(const char* text);
    void copy(const char* text, int n);
    void copy(int value);
    void copy(float value);

    TnString& operator=(const TnString& other);
    TnString& operator=(TnString&& other) noexcept;
    TnString& operator=(const TnString* other);
    TnString& operator=(const char* text);
    TnString& operator=(int value);

    void clear();
    void wipe();
    unsigned char secure() const { return secure_; }
    void secure(unsigned char flag) { secure_ = flag; }

    int length() const { return length_; }
    const char* value() const { return data_ ? data_ : ""; }
    char* copyvalue() const;
    bool isundef() const { return data_ == nullptr; }
    bool empty() const { return length_ == 0; }
    char get(int i) const;
    void set(int i, char c);

    void append(char c);
    void append(const char* bytes, int n);
    void append(const char* text);

    TnString& operator+=(const TnString& other);
    TnString& operator+=(const TnString* other);
    TnString& operator+=(const char* text);
    TnString& operator+=(char c);
    TnString& operator+=(int value);
    TnString& operator+=(long long value);
    TnString& operator+=(float value);

    bool operator==(const TnString& other) const;
    bool operator!=(const TnString& other) const { return !(*this == other); }
    bool operator<(const TnString& other) const;
    bool operator>(const TnString& other) const { return !(*this < other) && !(*this == other); }
    bool operator>=(const TnString& other) const { return !(*this < other); }
    bool operator<=(const TnString& other) const { return *this < other || *this == other; }
    int cmp(const TnString& other) const;
    bool compare(const TnString& other, int mode) const;

    int find(const TnString& s) const;
    int haschar(char c) const;
    int hasspace() const;
    int multiline() const;
    bool isinteger() const;
    bool isfloat() const;

    TnString tolower() const;
    TnString toupper() const;
    TnString substr(int from, int to) const;
    TnString removecontrolchars() const;
    TnString replacevalue(const TnString& from, const TnString& to, unsigned char casesensitive) const;
    TnString LFtoCRLF() const;

    int integervalue() const;
    long long longlongvalue() const;
    float floatvalue() const;
    void floatvalue(float v);
    void integervalue(int value, int width);
    void integervalue(int value, int width, char pad);
    static TnString padded_int(int value, int width);
    char hexchar() const;
    unsigned int hexvalue() const;
    void hexvalue(char c);

    void _debug_info() const;

private:
    void reserve(int needed);
    void assign(const char* bytes, int n);
    void release();

    char* data_ = nullptr;
    int length_ = 0;
    int size_ = 0;
    unsigned char secure_ = 0;
};

std::ostream& operator<<(std::ostream& os, const TnString& s);

TnString operator+(const TnString& a, const TnString& b);
TnString operator+(const TnString& a, const char* b);
TnString operator+(const char* a, const TnString& b);
TnString operator+(const TnString& a, char b);
TnString operator+(char a, const TnString& b);
TnString operator+(const TnString& a, int b);
TnString operator+(int a, const TnString& b);
TnString operator+(const TnString& a, float b);
TnString operator+(float a, const TnString& b);

#endif
