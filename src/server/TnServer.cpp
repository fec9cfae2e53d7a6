#include "server/TnServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "diag/TnDebug.h"
#include "protocol/TnFile.h"

int TnServer::bindBudgetMs_ = TnServer::kBindBudgetMs;
int TnServer::bindPauseMs_ = TnServer::kBindPauseMs;

namespace {

void pause(int milliseconds) {
    timespec left;
    left.tv_sec = milliseconds / 1000;
    left.tv_nsec = (milliseconds % 1000) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

sockaddr_in bindAddress(int address, int port) {
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = address ? htonl(static_cast<uint32_t>(address)) : htonl(INADDR_ANY);
    return sa;
}

int servedType(int portType) {
    switch (portType) {
    case TnServer::kUdp:
    case TnServer::kMulticastUdp: return TnConnection::kUdp;
    case TnServer::kRawTcp: return TnConnection::kRawTcp;
    case TnServer::kSslTcp: return TnConnection::kSslTcp;
    case TnServer::kSslRawTcp: return TnConnection::kSslRawTcp;
    default: return TnConnection::kTcp;
    }
}

}  // namespace

void TnServer::bindretry(int budgetMs, int pauseMs) {
    bindBudgetMs_ = budgetMs;
    bindPauseMs_ = pauseMs > 0 ? pauseMs : 1;
}

// ---- construction -----------------------------------------------------------------------

TnServer::TnServer() {
    for (int i = 0; i < kMaxPorts; ++i) {
        address_[i] = group_[i] = port_[i] = type_[i] = mask_[i] = 0;
        socket_[i] = -1;
    }
    TnConnection::init();
    _hostname();
    macaddress_ = TnConnection::primarymacaddress();
    TnConnection::getAllMacAddresses(macaddresses_);
}

TnServer::TnServer(int port) : TnServer() { addport(0, port, kTcp); }

TnServer::TnServer(int address, int port) : TnServer() { addport(address, port, kTcp); }

TnServer::~TnServer() { release(); }

void TnServer::_hostname() {
    char name[256];
    if (gethostname(name, sizeof name) != 0) return;
    name[sizeof name - 1] = 0;
    host_ = name;
}

void TnServer::failErrno(int code) {
    error_ = TnError(code);
    error_.set("ERROR", TnString(strerror(errno)));
}

void TnServer::log(const char* text) { tn_debug_line(TnDebug::kInfo, text, true); }

TnString TnServer::porttype(int i) const {
    switch (inRange(i) ? type_[i] : 0) {
    case kTcp: return "tcp";
    case kUdp: return "udp";
    case kRawTcp: return "raw_tcp";
    case kSslTcp: return "ssl_tcp";
    case kMulticastUdp: return "multicast_udp";
    case kSslRawTcp: return "ssl_raw_tcp";
    default: return "unknown";
    }
}

// ---- the port table ---------------------------------------------------------------------

int TnServer::addport(int address, int group, int port, int type, int mask) {
    if (length_ >= kMaxPorts) return 0;
    address_[length_] = address;
    group_[length_] = group;
    port_[length_] = port;
    socket_[length_] = -1;
    type_[length_] = type;
    mask_[length_] = mask;
    ++length_;
    return 1;
}

int TnServer::addport(int address, int group, int port, int type) { return addport(address, group, port, type, 1); }

int TnServer::addport(int address, int port, int type) { return addport(address, 0, port, type, 1); }

int TnServer::openport() {
    for (int i = 0; i < length_; ++i) {
        bool opened = true;
        switch (type_[i]) {
        case kTcp:
        case kRawTcp: opened = _opentcp(i, false); break;
        case kSslTcp:
        case kSslRawTcp: opened = _opentcp(i, true); break;
        case kUdp:
        case kMulticastUdp: opened = _openudp(i); break;
        default: break;
        }
        if (!opened) return 0;
    }
    return 1;
}

int TnServer::openport(int address, int group, int port, int type) {
    return addport(address, group, port, type) ? openport() : 0;
}

int TnServer::openport(int address, int port, int type) { return addport(address, port, type) ? openport() : 0; }

int TnServer::openport(int address, int port) { return openport(address, port, kTcp); }

int TnServer::openport(int port) { return openport(0, port, kTcp); }

bool TnServer::_opentcp(int row, bool secured) {
    if (socket_[row] != -1) return false;
    int fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (fd < 0) {
        error_ = TnError(1043);
        return false;
    }
    if (!_bind(fd, row, secured ? 1049 : 1050, "tcp", !secured)) return false;
    if (listen(fd, backlog_) != 0) {
        error_ = TnError(1047);
        close(fd);
        return false;
    }
    return _adopt(fd, row);
}

bool TnServer::_openudp(int row) {
    if (socket_[row] != -1) {
        error_ = TnError(1041);
        return false;
    }
    int fd = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (fd < 0) {
        error_ = TnError(1041);
        return false;
    }
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    if (group_[row] != 0 && type_[row] == kMulticastUdp) {
        ip_mreq join;
        join.imr_multiaddr.s_addr = htonl(static_cast<uint32_t>(group_[row]));
        join.imr_interface.s_addr = address_[row] ? htonl(static_cast<uint32_t>(address_[row])) : htonl(INADDR_ANY);
        setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join);
        unsigned char loop = 1;
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    }
    return _bind(fd, row, 1048, "udp", false) && _adopt(fd, row);
}

// Binds the row's address and port, retrying a busy one every pause until the budget is
// spent, with one wait line per retry (led by the error text for plain TCP); records the
// bound address and port in the row.
bool TnServer::_bind(int fd, int row, int failure, const char* proto, bool withError) {
    _hostname();
    sockaddr_in sa = bindAddress(address_[row], port_[row]);
    for (int budget = bindBudgetMs_;;) {
        if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
            sockaddr_in bound;
            socklen_t len = sizeof bound;
            if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len) != 0) {
                failErrno(1046);
                close(fd);
                return false;
            }
            port_[row] = ntohs(bound.sin_port);
            address_[row] = static_cast<int>(ntohl(bound.sin_addr.s_addr));
            return true;
        }
        failErrno(failure);
        budget -= bindPauseMs_;
        if (budget < 0) {
            close(fd);
            return false;
        }
        if (tn_debug_on(TnDebug::kInfo)) {
            tn_debug_obj().lock();
            tn_debug_obj().mark();
            if (withError) tn_debug_obj() << error_.value() << ": ";
            tn_debug_obj() << "waiting for " << proto << " socket to open up - port: " << port_[row] << "\n";
            tn_debug_obj().unlock();
        }
        pause(bindPauseMs_);
    }
}

// Several serving processes wait on one port socket at once; the losers of a race for a
// connection or a datagram must come back from accept() or recvfrom() instead of sleeping in
// it, so port sockets never block (accepted connections are switched back to blocking).
bool TnServer::_adopt(int fd, int row) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
    socket_[row] = fd;
    active_ = true;
    return true;
}

int TnServer::release() {
    if (active_) {
        for (int i = 0; i < length_; ++i) {
            if (socket_[i] < 0) continue;
            if (close(socket_[i]) != 0) log("ERROR: couldn't close socket.");
            socket_[i] = -1;
        }
    }
    active_ = false;
    return 1;
}

int TnServer::cleanup() {
    if (active_) {
        for (int i = 0; i < length_; ++i) {
            if (socket_[i] < 0) continue;
            // A listening socket that never connected refuses shutdown(); that is no failure.
            if (shutdown(socket_[i], SHUT_RDWR) != 0 && errno != ENOTCONN) log("ERROR: couldn't shutdown socket.");
            if (close(socket_[i]) != 0) log("ERROR: couldn't close socket.");
            socket_[i] = -1;
        }
    }
    active_ = false;
    return 1;
}

// ---- readiness --------------------------------------------------------------------------

// Puts every open port socket into set; returns the highest descriptor (-1 for none).
int TnServer::_readset(fd_set& set) const {
    int top = -1;
    FD_ZERO(&set);
    for (int i = 0; i < length_; ++i) {
        if (socket_[i] < 0 || socket_[i] >= FD_SETSIZE) continue;
        FD_SET(socket_[i], &set);
        if (socket_[i] > top) top = socket_[i];
    }
    return top;
}

int TnServer::_ready(int mask) {
    if (length_ == 0) {
        pause(1000);
        return status_ = -2;
    }
    fd_set set;
    int top = _readset(set);
    int ms = timeout_ > 0 ? timeout_ : 0;
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    fd_set readable;
    int n;
    do {
        readable = set;
        n = select(top + 1, &readable, nullptr, nullptr, &tv);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        failErrno(1039);
        return status_ = -1;
    }
    if (n == 0) return status_ = -2;

    auto isReady = [&](int i) { return socket_[i] >= 0 && socket_[i] < FD_SETSIZE && FD_ISSET(socket_[i], &readable); };
    if (mask == 2) {
        for (int i = 0; i < length_; ++i)
            if (isReady(i) && (mask_[i] & 2)) return status_ = 0, i;
    } else {
        for (int i = 0; i < length_; ++i)
            if (isReady(i) && !(mask_[i] & 2)) return status_ = 0, i;
        for (int i = 0; i < length_; ++i)
            if (isReady(i) && (mask_[i] & mask)) return status_ = 0, i;
    }
    return status_ = -2;
}

bool TnServer::ready(int mask) {
    if (length_ == 0) return false;
    fd_set set;
    int top = _readset(set);
    timeval none = {0, 0};
    if (select(top + 1, &set, nullptr, nullptr, &none) < 1) return false;
    for (int i = 0; i < length_; ++i)
        if (socket_[i] >= 0 && socket_[i] < FD_SETSIZE && FD_ISSET(socket_[i], &set) && (mask_[i] & mask)) return true;
    return false;
}

TnConnection* TnServer::service(int mask) {
    int row = _ready(mask);
    if (row < 0) return nullptr;
    if (type_[row] == kUdp || type_[row] == kMulticastUdp)
        return new TnConnection(socket_[row], TnConnection::kUdp, TnConnection::kDefaultTimeout);
    sockaddr_in peer;
    socklen_t len = sizeof peer;
    memset(&peer, 0, sizeof peer);
    int fd;
    do fd = accept(socket_[row], reinterpret_cast<sockaddr*>(&peer), &len);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error_ = TnError(1040);
        return nullptr;
    }
    // The listening socket is non-blocking; what it hands out must not be.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) & ~O_NONBLOCK);
    TnConnection* c = new TnConnection(fd, servedType(type_[row]), TnConnection::kDefaultTimeout);
    c->address(TnAddress(static_cast<int>(ntohl(peer.sin_addr.s_addr))));
    c->port(ntohs(peer.sin_port));
    return c;
}

// ---- memory -----------------------------------------------------------------------------

// Counts fields from the last ")" on: the process name in field 2 may hold blanks and
// parentheses of its own, which would shift a plain split.
void process_mem_usage(double& vm, double& rss) {
    vm = rss = 0;
    TnString stat;
    if (!TnFile::load("/proc/self/stat", stat)) return;
    const char* p = stat.value();
    int end = -1;
    for (int i = 0; i < stat.length(); ++i)
        if (p[i] == ')') end = i;
    if (end < 0) return;
    // After ") " comes field 3; vsize and rss are fields 23 and 24.
    int field = 2;
    unsigned long long values[2] = {0, 0};
    int found = 0;
    int i = end + 1;
    while (i < stat.length() && found < 2) {
        while (i < stat.length() && (p[i] == ' ' || p[i] == '\n')) ++i;
        if (i >= stat.length()) break;
        ++field;
        unsigned long long v = 0;
        bool number = true;
        for (; i < stat.length() && p[i] != ' ' && p[i] != '\n'; ++i) {
            if (p[i] < '0' || p[i] > '9') number = false;
            else if (v < (1ULL << 60)) v = v * 10 + (p[i] - '0');
        }
        if (field == 23 || field == 24) values[found++] = number ? v : 0;
    }
    if (found < 2) return;
    long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) page = 4096;
    vm = values[0] / 1024.0;
    rss = static_cast<double>(values[1]) * (page / 1024.0);
}
