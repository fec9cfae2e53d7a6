#include "protocol/TnAddress.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <ostream>

void TnAddress::fields(TnFieldTable<TnAddress>& t) {
    // The value goes out as an integer with the same bits, and in XML as its unsigned decimal.
    // The blank flag rides along in copy() only: it never reaches either wire form.
    t.custom(1, "value",
             {[](TnAddress& a) { a.store(1, static_cast<int>(a.value_)); },
              [](TnAddress& a) {
                  int raw = 0;
                  a.restore(1, raw);
                  if (a.consumed()) a.value_ = static_cast<uint32_t>(raw);
              },
              [](TnAddress& a) { a.storeXML("value", static_cast<long long>(a.value_)); },
              [](TnAddress& a) {
                  const long long unset = -(1LL << 40);
                  long long raw = unset;
                  a.restoreXML("value", raw);
                  if (raw != unset) a.value_ = static_cast<uint32_t>(raw);
              },
              [](TnAddress& dst, const TnAddress& src) {
                  dst.value_ = src.value_;
                  dst.blank_ = src.blank_;
              }});
}

void TnAddress::copy(const TnString& text) {
    uint32_t octets[4] = {0, 0, 0, 0};
    int index = 0;
    for (int i = 0; i < text.length(); ++i) {
        unsigned char c = static_cast<unsigned char>(text.get(i));
        if (c >= '0' && c <= '9') {
            octets[index] = (octets[index] * 10 + (c - '0')) & 0xFF;
            continue;
        }
        if (++index > 3) return;
    }
    value_ = (octets[0] << 24) | (octets[1] << 16) | (octets[2] << 8) | octets[3];
    blank_ = false;
}

TnString TnAddress::stringvalue() const {
    TnString out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<int>((value_ >> shift) & 0xFF);
        if (shift) out += '.';
    }
    return out;
}

TnString TnAddress::hexvalue() const {
    TnString out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.hexvalue(static_cast<char>((value_ >> shift) & 0xFF));
        if (shift) out += '.';
    }
    return out;
}

bool TnAddress::isaddress(const TnString& text) {
    int groups = 0, digits = 0, number = 0;
    for (int i = 0; i < text.length(); ++i) {
        char c = text.get(i);
        if (c >= '0' && c <= '9') {
            number = number * 10 + (c - '0');
            if (number > 255) return false;
            ++digits;
            continue;
        }
        if (c != '.' || digits == 0 || groups == 3) return false;
        ++groups;
        digits = number = 0;
    }
    return groups == 3 && digits > 0;
}

TnAddress TnAddress::hostname(const TnString& name) {
    TnAddress out;
    if (name.empty()) return out;
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(name.value(), nullptr, &hints, &list) != 0 || !list) return out;
    for (addrinfo* p = list; p; p = p->ai_next) {
        if (p->ai_family != AF_INET || !p->ai_addr || p->ai_addrlen < sizeof(sockaddr_in)) continue;
        const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
        out = TnAddress(static_cast<int>(ntohl(in->sin_addr.s_addr)));
    }
    freeaddrinfo(list);
    return out;
}

std::ostream& operator<<(std::ostream& os, const TnAddress& a) { return os << a.stringvalue(); }
