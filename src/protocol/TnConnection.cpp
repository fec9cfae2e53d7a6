#include "protocol/TnConnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <new>
#include <vector>

#include "diag/TnDebug.h"
#include "protocol/TnCompress.h"
#include "protocol/TnPack.h"

namespace {

std::atomic<int> nextId{1};
std::once_flag initialised;
int tcpProtocol = 6;
int udpProtocol = 17;

int maxWait(int timeout, int divisor) {
    int wait = timeout / divisor;
    return wait > 1000 ? wait : 1000;
}

timeval interval(int milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    timeval tv;
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    return tv;
}

long long nowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

bool resolve(const TnString& host, TnAddress& out) {
    if (TnAddress::isaddress(host)) {
        out = TnAddress(host);
        return true;
    }
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (host.empty() || getaddrinfo(host.value(), nullptr, &hints, &list) != 0 || !list) return false;
    bool found = false;
    for (addrinfo* p = list; p && !found; p = p->ai_next) {
        if (p->ai_family != AF_INET || !p->ai_addr || p->ai_addrlen < sizeof(sockaddr_in)) continue;
        out = TnAddress(static_cast<int>(ntohl(reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr)));
        found = true;
    }
    freeaddrinfo(list);
    return found;
}

sockaddr_in socketAddress(const TnAddress& address, int port) {
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(address.value());
    return sa;
}

// The interface list, grown while the system fills the buffer to the brim. Bounded, so a
// host with an absurd number of addresses cannot keep it growing.
bool interfaces(int fd, std::vector<ifreq>& out) {
    const int kMaxEntries = 4096;
    for (int room = 30; room <= kMaxEntries; room += 10) {
        std::vector<ifreq> buffer(room);
        ifconf conf;
        conf.ifc_len = static_cast<int>(room * sizeof(ifreq));
        conf.ifc_req = buffer.data();
        if (ioctl(fd, SIOCGIFCONF, &conf) < 0) {
            std::cerr << "SIOCGIFCONF: " << strerror(errno) << std::endl;
            return false;
        }
        if (conf.ifc_len < static_cast<int>(room * sizeof(ifreq)) || room + 10 > kMaxEntries) {
            buffer.resize(conf.ifc_len / sizeof(ifreq));
            out.swap(buffer);
            return true;
        }
    }
    return false;
}

TnString macText(const ifreq& r) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(r.ifr_hwaddr.sa_data);
    char text[32];
    snprintf(text, sizeof text, "%2.2X:%2.2X:%2.2X:%2.2X:%2.2X:%2.2X", b[0], b[1], b[2], b[3], b[4], b[5]);
    return TnString(text);
}

}  // namespace

// ---- construction -----------------------------------------------------------------------

void TnConnection::init() {
    std::call_once(initialised, [] {
        if (const protoent* p = getprotobyname("udp")) udpProtocol = p->p_proto;
        if (const protoent* p = getprotobyname("tcp")) tcpProtocol = p->p_proto;
        signal(SIGPIPE, SIG_IGN);
    });
}

TnConnection::TnConnection() : id_(nextId++) { init(); }

TnConnection::TnConnection(int socket, int type, int timeout)
    : id_(nextId++), active_(true), type_(type), timeout_(timeout), socket_(socket) {
    init();
    owns_ = type == kTcp || type == kRawTcp || type == kSslTcp || type == kSslRawTcp;
}

TnConnection::TnConnection(const TnString& host, int port, int type, int timeout)
    : id_(nextId++), type_(type), host_(host), port_(port), timeout_(timeout) {
    init();
    if (type == kTcp || type == kRawTcp || type == kSslTcp || type == kSslRawTcp) _connect();
}

TnConnection::~TnConnection() { _disconnect(); }

TnString TnConnection::stringtype() const {
    switch (type_) {
    case kTcp: return "tcp";
    case kUdp: return "udp";
    case kRawTcp: return "raw_tcp";
    case kSslTcp: return "ssl_tcp";
    case kSslRawTcp: return "ssl_raw_tcp";
    default: return "unknown";
    }
}

void TnConnection::fail(int code) { error_ = TnError(code); }

void TnConnection::fail(int code, const char* name, const TnString& value) {
    error_ = TnError(code);
    error_.set(name, value);
}

void TnConnection::failErrno(int code) { fail(code, "ERROR", TnString(strerror(errno))); }

void TnConnection::closeSocket() {
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
    active_ = false;
}

void TnConnection::_disconnect() {
    if (active_ && owns_ && socket_ >= 0) close(socket_);
    if (active_) socket_ = -1;
    active_ = false;
}

// ---- waiting ----------------------------------------------------------------------------

int TnConnection::checkpoint(int socket, int milliseconds, int mode) {
    if (socket < 0 || socket >= FD_SETSIZE) return 1;
    long long deadline = nowMs() + (milliseconds > 0 ? milliseconds : 0);
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval tv = interval(static_cast<int>(deadline - nowMs()));
        int n = mode == 1 ? select(socket + 1, &set, nullptr, nullptr, &tv)
                          : select(socket + 1, nullptr, &set, nullptr, &tv);
        if (n > 0) return 0;
        if (n == 0) return 1;
        if (errno == EINTR && nowMs() < deadline) continue;
        std::cerr << "select() in checkpoint(): " << strerror(errno) << std::endl;
        return 1;
    }
}

namespace {

// A socket that select() calls ready but that keeps answering "try again" is given up after
// this many tries, so that no loop spins without bound.
const int kMaxRetries = 100;

bool retryable(int e) { return e == EINTR || e == EAGAIN || e == EWOULDBLOCK; }

}  // namespace

int TnConnection::readSome(char* out, int n, int wait, int& why) {
    why = 0;
    int have = 0, retries = 0;
    while (have < n) {
        if (checkpoint(socket_, wait, 1) != 0) {
            why = kExpired;
            break;
        }
        ssize_t r = recv(socket_, out + have, n - have, MSG_DONTWAIT);
        if (r < 0 && retryable(errno) && ++retries < kMaxRetries) continue;
        if (r <= 0) {
            why = r == 0 ? kEnded : (retryable(errno) ? kExpired : errno);
            break;
        }
        retries = 0;
        have += static_cast<int>(r);
    }
    return have;
}

int TnConnection::writeSome(const char* data, int n, int wait, int& why, bool more) {
    why = 0;
    int done = 0, retries = 0;
    while (done < n) {
        if (checkpoint(socket_, wait, 2) != 0) {
            why = kExpired;
            break;
        }
        // Never a blocking write: a peer that stops reading must not hold us past the wait.
        ssize_t w = ::send(socket_, data + done, n - done, MSG_NOSIGNAL | MSG_DONTWAIT | (more ? MSG_MORE : 0));
        if (w < 0 && retryable(errno) && ++retries < kMaxRetries) continue;
        if (w <= 0) {
            why = w == 0 ? kEnded : (retryable(errno) ? kExpired : errno);
            break;
        }
        retries = 0;
        done += static_cast<int>(w);
    }
    return done;
}

// ---- connecting -------------------------------------------------------------------------

bool TnConnection::_connect() {
    active_ = false;
    owns_ = true;
    if (socket_ >= 0) closeSocket();
    if (host_.empty()) {
        fail(32);
        return false;
    }
    socket_ = socket(AF_INET, SOCK_STREAM, tcpProtocol);
    if (socket_ < 0) {
        fail(38);
        return false;
    }
    TnAddress resolved;
    if (!resolve(host_, resolved)) {
        fail(32);
        closeSocket();
        return false;
    }
    address_ = resolved;
    timeval tv = interval(timeout_);
    if (setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) != 0) {
        fail(33);
        closeSocket();
        return false;
    }
    if (setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) {
        fail(34);
        closeSocket();
        return false;
    }

    sockaddr_in sa = socketAddress(address_, port_);
    int flags = fcntl(socket_, F_GETFL, 0);
    fcntl(socket_, F_SETFL, flags | O_NONBLOCK);
    int started = connect(socket_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    int startErrno = errno;
    fcntl(socket_, F_SETFL, flags);

    bool waitFailed = false;
    int pending = 0;
    if (started != 0 && startErrno != EINPROGRESS) {
        pending = startErrno;
    } else if (started != 0) {
        int waited = checkpoint(socket_, timeout_, 2);
        if (waited != 0) {
            pending = ETIMEDOUT;
        } else {
            socklen_t len = sizeof pending;
            if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &pending, &len) != 0) {
                pending = errno;
                waitFailed = true;
            }
        }
    }
    if (pending == 0) {
        active_ = true;
        return true;
    }
    fail(35);
    closeSocket();
    if (tn_debug_on(TnDebug::kError)) {
        tn_debug_obj().lock();
        tn_debug_obj().mark() << "connect() host[" << host_ << "] port[" << port_ << "] "
                              << (waitFailed ? strerror(pending) : "timed out") << "\n";
        tn_debug_obj().unlock();
    }
    return false;
}

// ---- dispatch ---------------------------------------------------------------------------

int TnConnection::send(const char* data, int n) {
    switch (type_) {
    case kTcp: return sendTcp(data, n);
    case kUdp: return sendUdp(data, n);
    case kRawTcp: return sendRawTcp(data, n);
    case kSslTcp: return sendOpenSSLTcp(data, n);
    case kSslRawTcp: return sendOpenSSLRawTcp(data, n);
    default: return 0;
    }
}

char* TnConnection::receive(int& length) {
    switch (type_) {
    case kTcp: return receiveTcp(length);
    case kUdp: return receiveUdp(length);
    case kRawTcp: return receiveRawTcp(length);
    case kSslTcp: return receiveOpenSSLTcp(length);
    case kSslRawTcp: return receiveOpenSSLRawTcp(length);
    default: return nullptr;
    }
}

// ---- TCP frames -------------------------------------------------------------------------

void TnConnection::tcpheader(char* out, int z, int p) {
    out[0] = kFrameVersion;
    TnPack::_wc_int32(out + 1, z);
    TnPack::_wc_int32(out + 5, p);
}

int TnConnection::sendTcp(const char* data, int n) {
    if (!active_) {
        fail(3);
        return -1;
    }
    int z = 0;
    char* compressed = TnCompress().compact(z, data, n);
    if (!compressed) {
        fail(4);
        return -1;
    }
    char header[kTcpHeaderBytes];
    tcpheader(header, z, n);
    const int wait = maxWait(timeout_, 5);
    int why = 0;
    // The three header pieces go out as three writes, each with its own error.
    const struct {
        int offset, width, error;
    } pieces[] = {{0, 1, 6}, {1, 4, 7}, {5, 4, 8}};
    for (const auto& piece : pieces) {
        // MSG_MORE lets the pieces leave in one segment with the payload instead of three
        // tiny ones held back by the peer's delayed acknowledgement.
        if (writeSome(header + piece.offset, piece.width, wait, why, true) != piece.width) {
            fail(why == kExpired ? 5 : piece.error);
            delete[] compressed;
            return -1;
        }
    }
    int written = writeSome(compressed, z, wait, why);
    delete[] compressed;
    handled_ += written;
    if (written != z) {
        if (why == kExpired) fail(5);
        return -1;
    }
    return written;
}

char* TnConnection::receiveTcp(int& length) {
    length = 0;
    if (!active_) {
        fail(3);
        return nullptr;
    }
    const int wait = maxWait(timeout_, 5);
    int why = 0;

    char version = 0;
    if (readSome(&version, 1, wait, why) != 1) {
        if (why == kExpired)
            fail(15);
        else if (why == kEnded)
            fail(16);
        else
            fail(17, "ERROR", TnString(strerror(why)));
        return nullptr;
    }
    if (version != kFrameVersion) {
        fail(18, "VERSION", TnString(static_cast<int>(static_cast<unsigned char>(version))));
        return nullptr;
    }

    int lengths[2];
    for (int& value : lengths) {
        char word[4];
        if (readSome(word, 4, wait, why) < 4) {
            if (why == kExpired)
                fail(15);
            else
                fail(19, "ERROR", TnString(why == kEnded ? "end of stream" : strerror(why)));
            return nullptr;
        }
        value = TnPack::_rc_int32(word);
        if (value <= 0) {
            fail(20);
            return nullptr;
        }
        if (value > kMaxFrameBytes) {
            fail(14);
            return nullptr;
        }
    }
    const int z = lengths[0], p = lengths[1];

    // The buffer doubles as bytes arrive, so a header promising much costs nothing until the
    // bytes are really there.
    int capacity = z < 65536 ? z : 65536;
    char* compressed = new (std::nothrow) char[capacity];
    if (!compressed) {
        fail(14);
        return nullptr;
    }
    int have = 0;
    while (have < z) {
        if (have == capacity) {
            int grown = capacity > z / 2 ? z : capacity * 2;
            char* fresh = new (std::nothrow) char[grown];
            if (!fresh) {
                delete[] compressed;
                fail(14);
                return nullptr;
            }
            memcpy(fresh, compressed, have);
            delete[] compressed;
            compressed = fresh;
            capacity = grown;
        }
        int want = capacity - have;
        int got = readSome(compressed + have, want, wait, why);
        have += got;
        if (got < want) break;  // timed out, or the stream ended or failed
    }
    if (have < z) {
        delete[] compressed;
        fail(why == kExpired ? 15 : 41);
        return nullptr;
    }

    int expected = p, produced = 0;
    char* plain = TnCompress().uncompact(expected, compressed, z, &produced);
    delete[] compressed;
    if (!plain || produced != p) {
        delete[] plain;
        fail(21);
        return nullptr;
    }
    length = p;
    handled_ += p;
    return plain;
}

// ---- raw TCP ----------------------------------------------------------------------------

int TnConnection::sendRawTcp(const char* data, int n) {
    if (!active_) {
        fail(3);
        return -1;
    }
    if (n <= 0 || !data) return 0;
    int why = 0;
    int written = writeSome(data, n, maxWait(timeout_, 2), why);
    if (written == 0 && why == kExpired) {
        fail(9);
        return -1;
    }
    handled_ += written;
    return written;
}

char* TnConnection::receiveRawTcp(int& length) {
    length = 0;
    if (!active_) {
        fail(3);
        return nullptr;
    }
    int capacity = 256, have = 0, failures = 0;
    char* out = new (std::nothrow) char[capacity];
    if (!out) {
        fail(14);
        return nullptr;
    }
    while (socket_ >= 0 && socket_ < FD_SETSIZE) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket_, &set);
        // The whole time-out for the first bytes; after that only what is already waiting.
        timeval tv = interval(have == 0 ? timeout_ : 0);
        int ready = select(socket_ + 1, &set, nullptr, nullptr, &tv);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            std::cerr << "TnConnection::receiveRawTcp(): select(): " << strerror(errno) << std::endl;
            break;
        }
        if (ready == 0) break;
        char block[256];
        ssize_t got = recv(socket_, block, sizeof block, MSG_DONTWAIT);
        if (got == 0) break;
        if (got < 0) {
            // Tried again, but a socket that keeps failing is given up.
            if (++failures > 16) break;
            continue;
        }
        failures = 0;
        if (have + got > kMaxFrameBytes) {
            delete[] out;
            fail(14);
            return nullptr;
        }
        if (have + got > capacity) {
            int grown = capacity * 2;
            char* fresh = new (std::nothrow) char[grown];
            if (!fresh) {
                delete[] out;
                fail(14);
                return nullptr;
            }
            memcpy(fresh, out, have);
            delete[] out;
            out = fresh;
            capacity = grown;
        }
        memcpy(out + have, block, got);
        have += static_cast<int>(got);
    }
    length = have;
    handled_ += have;
    return out;
}

// ---- the inert secured types ------------------------------------------------------------

int TnConnection::sendOpenSSLTcp(const char*, int) { return 0; }

int TnConnection::sendOpenSSLRawTcp(const char*, int) { return 0; }

char* TnConnection::receiveOpenSSLTcp(int& length) {
    length = 0;
    if (!active_) fail(3);
    return nullptr;
}

char* TnConnection::receiveOpenSSLRawTcp(int& length) {
    length = 0;
    if (!active_) fail(3);
    return nullptr;
}

// ---- UDP --------------------------------------------------------------------------------

int TnConnection::sendUdp(const char* data, int n) {
    if (n < 0 || (n > 0 && !data)) n = 0;
    char* datagram = new (std::nothrow) char[n + kUdpHeaderBytes];
    if (!datagram) {
        fail(14);
        return 0;
    }
    datagram[0] = kFrameVersion;
    TnPack::_wc_int32(datagram + 1, n);
    if (n > 0) memcpy(datagram + kUdpHeaderBytes, data, n);

    if (socket_ < 0) {
        socket_ = socket(AF_INET, SOCK_DGRAM, udpProtocol);
        if (socket_ < 0) {
            delete[] datagram;
            fail(10);
            return 0;
        }
        owns_ = true;
        active_ = true;
        if (host_.empty()) {
            int on = 1;
            setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        }
        sockaddr_in any = socketAddress(TnAddress(0), 0);
        if (bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) failErrno(11);
    }

    if (address_.blank()) {
        TnAddress target(static_cast<int>(0xFFFFFFFFu));
        if (!host_.empty() && !resolve(host_, target)) {
            delete[] datagram;
            fail(12);
            if (owns_) closeSocket();
            return 0;
        }
        address_ = target;
    }
    sockaddr_in to = socketAddress(address_, port_);
    ssize_t sent;
    do sent = sendto(socket_, datagram, n + kUdpHeaderBytes, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to), sizeof to);
    while (sent < 0 && errno == EINTR);
    delete[] datagram;
    if (sent < 0) {
        failErrno(13);
        return 0;
    }
    handled_ += n;
    return n;
}

char* TnConnection::receiveUdp(int& length) {
    length = 0;
    const int kBuffer = 65535;
    char* buffer = new (std::nothrow) char[kBuffer];
    if (!buffer) {
        fail(27);
        return nullptr;
    }
    if (socket_ < 0) {
        // Nothing can reach an unbound socket; it exists only so the wait below has one. The
        // connection closes it again.
        socket_ = socket(AF_INET, SOCK_DGRAM, udpProtocol);
        if (socket_ < 0) {
            delete[] buffer;
            fail(10);
            return nullptr;
        }
        owns_ = true;
        active_ = true;
    }
    if (checkpoint(socket_, timeout_, 1) != 0) {
        delete[] buffer;
        fail(28);
        return nullptr;
    }
    sockaddr_in from;
    socklen_t fromLength = sizeof from;
    memset(&from, 0, sizeof from);
    ssize_t got;
    do got = recvfrom(socket_, buffer, kBuffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        delete[] buffer;
        failErrno(29);
        return nullptr;
    }
    char* out = nullptr;
    if (got > kUdpHeaderBytes) {
        if (buffer[0] != kFrameVersion) {
            fail(31, "VERSION", TnString(static_cast<int>(static_cast<unsigned char>(buffer[0]))));
            delete[] buffer;
            return nullptr;
        }
        int n = TnPack::_rc_int32(buffer + 1);
        length = n;
        if (static_cast<long long>(n) + kUdpHeaderBytes > kMaxDatagram) {
            length = -1;
            fail(29);
            delete[] buffer;
            return nullptr;
        }
        // A datagram announcing more than it carries is refused as blank: its tail would be
        // whatever the buffer held before.
        if (n > 0 && n <= got - kUdpHeaderBytes) {
            out = new (std::nothrow) char[n];
            if (!out) {
                delete[] buffer;
                fail(14);
                return nullptr;
            }
            memcpy(out, buffer + kUdpHeaderBytes, n);
            if (fromLength >= sizeof(sockaddr_in) && from.sin_family == AF_INET) {
                address_ = TnAddress(static_cast<int>(ntohl(from.sin_addr.s_addr)));
                port_ = ntohs(from.sin_port);
            }
            handled_ += n;
        }
    }
    delete[] buffer;
    if (!out) fail(30);
    return out;
}

// ---- the host's own addresses ------------------------------------------------------------

TnAddress TnConnection::primaryaddress() {
    init();
    TnAddress result;
    int fd = socket(AF_INET, SOCK_STREAM, tcpProtocol);
    if (fd < 0) return result;
    std::vector<ifreq> list;
    if (interfaces(fd, list)) {
        for (const ifreq& r : list) {
            if (r.ifr_addr.sa_family == AF_INET6) continue;
            const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(&r.ifr_addr);
            result = TnAddress(static_cast<int>(ntohl(in->sin_addr.s_addr)));
        }
    }
    close(fd);
    return result;
}

TnMacAddress TnConnection::primarymacaddress() {
    init();
    TnMacAddress result;
    int fd = socket(AF_INET, SOCK_STREAM, tcpProtocol);
    if (fd < 0) return result;
    std::vector<ifreq> list;
    if (interfaces(fd, list)) {
        int best = -1;
        for (const ifreq& entry : list) {
            ifreq r = entry;
            if (ioctl(fd, SIOCGIFINDEX, &r) != 0) continue;
            int index = r.ifr_ifindex;
            r = entry;
            if (ioctl(fd, SIOCGIFHWADDR, &r) != 0 || r.ifr_hwaddr.sa_family != ARPHRD_ETHER) continue;
            if (best >= 0 && index > best) continue;
            best = index;
            result.copy(macText(r));
        }
    }
    close(fd);
    return result;
}

bool TnConnection::getAllMacAddresses(TnMacAddressList& list) {
    init();
    list.clear();
    int fd = socket(AF_INET, SOCK_STREAM, tcpProtocol);
    if (fd < 0) return false;
    std::vector<ifreq> entries;
    if (!interfaces(fd, entries)) {
        close(fd);
        return false;
    }
    for (const ifreq& entry : entries) {
        ifreq r = entry;
        if (ioctl(fd, SIOCGIFHWADDR, &r) != 0) {
            std::cerr << "ioctl(SIOCGIFHWADDR): " << strerror(errno) << std::endl;
            close(fd);
            return false;
        }
        if (r.ifr_hwaddr.sa_family == ARPHRD_ETHER) list.push(new TnMacAddress(macText(r)));
    }
    close(fd);
    return true;
}
