#ifndef TN_PROTOCOL_TNCONNECTION_H
#define TN_PROTOCOL_TNCONNECTION_H

#include "core/TnBase.h"
#include "core/TnString.h"
#include "diag/TnError.h"
#include "protocol/TnAddress.h"
#include "protocol/TnMacAddress.h"
#include "protocol/TnMacAddressList.h"

// One conversation with one peer. A packed message goes out as one frame:
//
//   TCP (type 1):  02 | Z (4, big-endian) | P (4, big-endian) | zlib stream of Z bytes
//                  that inflates to the P bytes of the message
//   UDP (type 2):  02 | N (4, big-endian) | the N bytes of the message, uncompressed
//   raw TCP (4):   the bytes themselves, no frame
//
// Types 5 and 7 connect like TCP but carry nothing. Every wait on the socket is bounded and
// every failure leaves a numbered TnError in the connection; nothing throws.
//
// Incoming frames are hostile: a TCP frame announcing more than kMaxFrameBytes compressed or
// plain bytes is refused as a failed allocation (error 14) before anything is allocated, and
// below that ceiling buffers grow with the bytes that really arrive, never with the numbers a
// header announces. A raw TCP receive stops the same way at kMaxFrameBytes.
class TnConnection : public TnBase {
public:
    enum Type { kTcp = 1, kUdp = 2, kRawTcp = 4, kSslTcp = 5, kSslRawTcp = 7 };

    static constexpr int kFrameVersion = 2;
    static constexpr int kTcpHeaderBytes = 9;
    static constexpr int kUdpHeaderBytes = 5;
    // Largest UDP datagram, header included.
    static constexpr int kMaxDatagram = 65534;
    // Far above anything the farm sends (a few megabytes at most), far below what would hurt.
    static constexpr int kMaxFrameBytes = 256 * 1024 * 1024;
    static constexpr int kDefaultTimeout = 30000;

    TnConnection();
    // Wraps a socket that is already connected (or a server's UDP port). The connection closes
    // it on release for every type but UDP, whose port socket outlives it.
    TnConnection(int socket, int type, int timeout);
    // Connects at once for the TCP types; a UDP socket is made on first use.
    TnConnection(const TnString& host, int port, int type, int timeout);
    ~TnConnection() override;
    TnConnection(const TnConnection&) = delete;
    TnConnection& operator=(const TnConnection&) = delete;

    int type() const override { return type_; }

    // Process-wide set-up, done once whatever the number of calls: the protocol numbers and
    // ignoring SIGPIPE, so that a peer going away shows up as a failed write.
    static void init();

    int send(const char* data, int n);
    // A new array (release with delete[]) holding length bytes, or null.
    char* receive(int& length);

    int sendTcp(const char* data, int n);
    char* receiveTcp(int& length);
    int sendUdp(const char* data, int n);
    char* receiveUdp(int& length);
    int sendRawTcp(const char* data, int n);
    char* receiveRawTcp(int& length);
    int sendOpenSSLTcp(const char* data, int n);
    char* receiveOpenSSLTcp(int& length);
    int sendOpenSSLRawTcp(const char* data, int n);
    char* receiveOpenSSLRawTcp(int& length);

    bool _connect();
    void _disconnect();
    void release() { _disconnect(); }

    int id() const { return id_; }
    int handle() const { return socket_; }
    int sock() const { return socket_; }
    int handled() const { return handled_; }
    int timeout() const { return timeout_; }
    void timeout(int ms) { timeout_ = ms; }
    const TnError& error() const { return error_; }
    bool active() const { return active_; }
    TnAddress address() const { return address_; }
    void address(const TnAddress& a) { address_ = a; }
    int port() const { return port_; }
    void port(int p) { port_ = p; }
    const TnString& host() const { return host_; }
    // A new host also forgets the resolved address, so the next UDP send resolves again.
    void host(const TnString& h) {
        host_ = h;
        address_.wipe();
    }
    int version() const { return version_; }
    void version(int v) { version_ = v; }
    TnString stringtype() const;

    // The address of the last IPv4 interface the system lists (loopback included).
    static TnAddress primaryaddress();
    // The Ethernet address of the interface with the lowest index; blank when there is none.
    static TnMacAddress primarymacaddress();
    // Every Ethernet address, once per listed interface address.
    static bool getAllMacAddresses(TnMacAddressList& list);

    // Waits up to milliseconds for the socket to become readable (mode 1) or writable (any
    // other mode): 0 when it did, 1 on expiry or failure.
    static int checkpoint(int socket, int milliseconds, int mode);

    // Writes the 9-byte TCP frame header for compressed length z and plain length p.
    static void tcpheader(char* out, int z, int p);

private:
    void fail(int code);
    void fail(int code, const char* name, const TnString& value);
    void failErrno(int code);
    // Why a transfer came up short: kExpired, kEnded (the peer closed) or the system's errno.
    static constexpr int kExpired = -1;
    static constexpr int kEnded = -2;
    // Move up to n bytes, waiting up to wait ms before each read or write; the result is the
    // count moved and `why` says what stopped a short one (0 when all n moved).
    int readSome(char* out, int n, int wait, int& why);
    int writeSome(const char* data, int n, int wait, int& why, bool more = false);
    void closeSocket();

    int id_;
    bool active_ = false;
    int type_ = kTcp;
    TnString host_;
    int port_ = 0;
    int timeout_ = kDefaultTimeout;
    TnAddress address_;
    int version_ = 0;
    TnError error_;
    int socket_ = -1;
    bool owns_ = false;
    int handled_ = 0;
};

#endif
