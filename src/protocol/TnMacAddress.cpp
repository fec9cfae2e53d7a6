#include "protocol/TnMacAddress.h"

#include <ostream>

const char* const tn_mac_address_blank = "00:00:00:00:00:00";

namespace {

// Calls f(first, length) for every ":"-separated group of text, empty groups included.
template <class F>
void eachGroup(const TnString& text, F f) {
    const char* p = text.value();
    int start = 0;
    for (int i = 0; i <= text.length(); ++i) {
        if (i < text.length() && p[i] != ':') continue;
        f(p + start, i - start);
        start = i + 1;
    }
}

int hexdigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

void TnMacAddress::copy(const TnString& text) {
    text_.clear();
    if (text.empty()) return;
    TnString out;
    bool zero = true;
    eachGroup(text, [&](const char* group, int n) {
        char byte = TnString(group, n).hexchar();
        if (!out.empty()) out += ':';
        out.hexvalue(byte);
        if (byte) zero = false;
    });
    if (!zero) text_ = out;
}

TnString TnMacAddress::value() const { return text_.empty() ? TnString(tn_mac_address_blank) : text_; }

bool TnMacAddress::blank() const {
    bool zero = true;
    eachGroup(text_, [&](const char* group, int n) {
        if (TnString(group, n).hexchar()) zero = false;
    });
    return zero;
}

bool TnMacAddress::isaddress(const TnString& text) {
    int groups = 0;
    bool good = true;
    eachGroup(text, [&](const char* group, int n) {
        ++groups;
        if (n == 0) good = false;
        int value = 0;
        for (int i = 0; i < n && good; ++i) {
            int d = hexdigit(group[i]);
            if (d < 0) good = false;
            value = value * 16 + d;
            if (value > 0xFF) good = false;
        }
    });
    return good && groups == 6;
}

std::ostream& operator<<(std::ostream& os, const TnMacAddress& m) { return os << m.value(); }
