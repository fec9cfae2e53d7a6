// Arbitrary bytes as a TCP frame (written into a socket pair whose writer then hangs up, so no
// read ever waits), as a UDP datagram over loopback, and as a packed envelope. Whatever a frame
// yields is unpacked as an envelope as well, and every envelope that decodes is packed and
// decoded once more.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "diag/TnDebug.h"
#include "protocol/TnConnection.h"
#include "protocol/TnMessage.h"

namespace {

struct Loopback {
    int receiver = -1, sender = -1;
    sockaddr_in to;
    Loopback() {
        tn_debug_verbosity(0);
        TnConnection::init();
        memset(&to, 0, sizeof to);
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        receiver = socket(AF_INET, SOCK_DGRAM, 0);
        sender = socket(AF_INET, SOCK_DGRAM, 0);
        if (bind(receiver, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) return;
        socklen_t len = sizeof to;
        getsockname(receiver, reinterpret_cast<sockaddr*>(&to), &len);
    }
};

void envelope(const char* data, int len) {
    TnMessage m;
    if (m.unpack(data, len) != 0) return;
    m.pack();
    TnMessage again;
    again.unpack(m.packContents(), m.packSize());
}

void tcp(const char* data, int len) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    int sent = 0;
    while (sent < len) {
        ssize_t w = send(fds[1], data + sent, len - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (w <= 0) break;
        sent += static_cast<int>(w);
    }
    close(fds[1]);
    TnConnection c(fds[0], TnConnection::kTcp, 200);
    int length = 0;
    char* plain = c.receiveTcp(length);
    if (plain) envelope(plain, length);
    delete[] plain;
}

void udp(const char* data, int len) {
    static Loopback loop;
    if (loop.receiver < 0 || len > 65507) return;
    if (sendto(loop.sender, data, len, 0, reinterpret_cast<sockaddr*>(&loop.to), sizeof loop.to) != len) return;
    TnConnection c(loop.receiver, TnConnection::kUdp, 100);
    int length = 0;
    char* plain = c.receiveUdp(length);
    if (plain) envelope(plain, length);
    delete[] plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    int len = static_cast<int>(size);
    udp(bytes, len);
    tcp(bytes, len);
    envelope(bytes, len);
    return 0;
}
