#ifndef TN_PROTOCOL_TNHOSTNAME_H
#define TN_PROTOCOL_TNHOSTNAME_H

#include "protocol/TnRecord.h"

// A host name with an optional port (0 for none) and a domain id (-1 for none), as the
// supervisor list and discovery answers carry them. Written as "host" or "host:port".
class TnHostname : public TnRecord<TnHostname> {
public:
    static constexpr int kTypeCode = 63;
    static constexpr const char* kTypeXML = "host_name";
    static void fields(TnFieldTable<TnHostname>& t) {
        t.field(1, "host", &TnHostname::host_);
        t.field(2, "port", &TnHostname::port_, 0);
        t.field(3, "id", &TnHostname::id_, -1);
    }

    TnHostname() { resetFields(); }
    explicit TnHostname(const TnString& host) : TnHostname(host, 0, -1) {}
    TnHostname(const TnString& host, int port) : TnHostname(host, port, -1) {}
    TnHostname(const TnString& host, int port, int id) : host_(host), port_(port), id_(id) {}

    using TnRecord<TnHostname>::copy;
    // Takes "host" or "host:port"; the id stays as it is.
    void copy(const TnString& text);
    TnHostname& operator=(const TnString& text) {
        copy(text);
        return *this;
    }

    const TnString& host() const { return host_; }
    void host(const TnString& h) { host_ = h; }
    int port() const { return port_; }
    void port(int p) { port_ = p; }
    int id() const { return id_; }
    void id(int i) { id_ = i; }

    TnString value() const;
    void value(const TnString& text) { copy(text); }

private:
    TnString host_;
    int port_ = 0;
    int id_ = -1;
};

#endif
