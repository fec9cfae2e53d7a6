#ifndef TN_PROTOCOL_TNMACADDRESS_H
#define TN_PROTOCOL_TNMACADDRESS_H

#include <iosfwd>

#include "protocol/TnRecord.h"

// What an address without hardware bytes reads as.
extern const char* const tn_mac_address_blank;

// A hardware address kept as text: upper-case two-digit hexadecimal bytes joined by ":".
// An all-zero address is kept as the empty text and reads as tn_mac_address_blank.
class TnMacAddress : public TnRecord<TnMacAddress> {
public:
    static constexpr int kTypeCode = 155;
    static constexpr const char* kTypeXML = "macaddress";
    static void fields(TnFieldTable<TnMacAddress>& t) { t.field(1, "value", &TnMacAddress::text_); }

    TnMacAddress() = default;
    explicit TnMacAddress(const TnString& text) { copy(text); }

    using TnRecord<TnMacAddress>::copy;
    // Normalises: every ":"-separated group becomes the byte of its first two hex digits.
    void copy(const TnString& text);

    // The text, or tn_mac_address_blank when there is none.
    TnString value() const;
    // Also true for a text taken from the wire whose groups all read as zero.
    bool blank() const;

    // True for six ":"-separated groups of hex digits, each at most FF.
    static bool isaddress(const TnString& text);

private:
    TnString text_;
};

std::ostream& operator<<(std::ostream& os, const TnMacAddress& m);

#endif
