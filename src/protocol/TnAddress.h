#ifndef TN_PROTOCOL_TNADDRESS_H
#define TN_PROTOCOL_TNADDRESS_H

#include <cstdint>
#include <iosfwd>

#include "protocol/TnRecord.h"

// An IPv4 address, held in host byte order. Only the value travels: the blank flag says
// whether this object was ever given an address and stays local to it, so a decoded
// address keeps the flag the receiving object had.
class TnAddress : public TnRecord<TnAddress> {
public:
    static constexpr int kTypeCode = 13;
    static constexpr const char* kTypeXML = "address";
    static void fields(TnFieldTable<TnAddress>& t);

    TnAddress() = default;
    explicit TnAddress(int value) : value_(static_cast<uint32_t>(value)), blank_(false) {}
    explicit TnAddress(const TnString& text) { copy(text); }

    using TnRecord<TnAddress>::copy;
    // Parses dotted decimal; a text that would start a fifth octet leaves the address as it was.
    void copy(const TnString& text);

    uint32_t value() const { return value_; }
    bool blank() const { return blank_; }
    void wipe() {
        value_ = 0;
        blank_ = true;
    }

    TnString stringvalue() const;
    TnString hexvalue() const;

    // True for exactly four dot-separated groups of decimal digits, each below 256.
    static bool isaddress(const TnString& text);
    // The last IPv4 stream address the resolver gives for name; blank when the lookup fails.
    static TnAddress hostname(const TnString& name);

private:
    uint32_t value_ = 0;
    bool blank_ = true;
};

std::ostream& operator<<(std::ostream& os, const TnAddress& a);

#endif
