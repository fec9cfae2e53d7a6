#include "protocol/TnHostname.h"

void TnHostname::copy(const TnString& text) {
    int colon = 0;
    while (colon < text.length() && text.get(colon) != ':') ++colon;
    if (colon == text.length()) {
        host_ = text;
        port_ = 0;
        return;
    }
    host_ = text.substr(0, colon);
    port_ = text.substr(colon + 1, text.length()).integervalue();
}

TnString TnHostname::value() const {
    if (port_ == 0) return host_;
    return host_ + ":" + port_;
}
