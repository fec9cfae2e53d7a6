#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/Support.h"
#include "protocol/TnCompress.h"
#include "protocol/TnConnection.h"
#include "protocol/TnPack.h"

namespace {

using support::boundPort;
using support::loopback;

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A plain socket bound to 127.0.0.1 on an ephemeral port.
int openSocket(int kind, int& port) {
    int fd = socket(AF_INET, kind, 0);
    sockaddr_in sa = loopback(0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return -1;
    if (kind == SOCK_STREAM) listen(fd, 16);
    port = boundPort(fd);
    return fd;
}

void writeAll(int fd, const Bytes& b) {
    size_t done = 0;
    while (done < b.size()) {
        ssize_t w = write(fd, b.data() + done, b.size() - done);
        ASSERT_GT(w, 0);
        done += w;
    }
}

Bytes word(int v) {
    char b[4];
    TnPack::_wc_int32(b, v);
    return Bytes(b, b + 4);
}

Bytes frame(int z, int p, const Bytes& payload) {
    Bytes out{2};
    Bytes zw = word(z), pw = word(p);
    out.insert(out.end(), zw.begin(), zw.end());
    out.insert(out.end(), pw.begin(), pw.end());
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes deflated(const std::string& plain) {
    int z = 0;
    char* c = TnCompress().compact(z, plain.data(), static_cast<int>(plain.size()));
    Bytes out(c, c + z);
    delete[] c;
    return out;
}

// A client TnConnection on loopback and the raw socket of its peer, which plays the other side.
struct TcpPair {
    explicit TcpPair(int timeout = 2000, int type = TnConnection::kTcp) {
        listener = openSocket(SOCK_STREAM, port);
        client = new TnConnection("127.0.0.1", port, type, timeout);
        peer = accept(listener, nullptr, nullptr);
    }
    ~TcpPair() {
        delete client;
        if (peer >= 0) close(peer);
        close(listener);
    }
    void hangUp() {
        close(peer);
        peer = -1;
    }
    int listener = -1, port = 0, peer = -1;
    TnConnection* client = nullptr;
};

std::string errorText(const TnConnection& c) { return c.error().value().value(); }

}  // namespace

TEST(TcpFrame, RoundTripBothWays) {
    TcpPair pair;
    ASSERT_TRUE(pair.client->active());
    EXPECT_EQ(pair.client->address().stringvalue(), TnString("127.0.0.1"));
    TnConnection server(pair.peer, TnConnection::kTcp, 2000);
    pair.peer = -1;  // the server connection owns it now

    std::string request(5000, 'r');
    int z = pair.client->send(request.data(), static_cast<int>(request.size()));
    ASSERT_GT(z, 0);
    EXPECT_EQ(pair.client->handled(), z);
    int length = 0;
    char* got = server.receive(length);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got, length), request);
    EXPECT_EQ(server.handled(), 5000);
    delete[] got;

    ASSERT_GT(server.sendTcp("ok", 2), 0);
    got = pair.client->receiveTcp(length);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got, length), "ok");
    delete[] got;
}

TEST(TcpFrame, RefusesWhatALoopbackPeerCanSend) {
    const Bytes good = deflated("the plain bytes of a message");
    const int goodP = 28;
    Bytes half(good.begin(), good.begin() + good.size() / 2);
    struct Case {
        const char* name;
        Bytes sent;
        int error;
        const char* text;
    } cases[] = {
        {"closed before the first byte", {}, 16, "blank message"},
        {"version byte 1", {1, 0, 0, 0, 1}, 18, "tcp comm version doesn't match - version: 1"},
        {"version byte 255", {255}, 18, "tcp comm version doesn't match - version: 255"},
        {"compressed length cut short", {2, 0, 0}, 19, nullptr},
        {"plain length cut short", {2, 0, 0, 0, 4, 0}, 19, nullptr},
        {"compressed length 0", frame(0, 5, {}), 20, "no data in comm"},
        {"plain length 0", frame(5, 0, {}), 20, "no data in comm"},
        {"negative length", frame(-7, 5, {}), 20, "no data in comm"},
        {"compressed length past the ceiling", frame(TnConnection::kMaxFrameBytes + 1, 5, {}), 14,
         "unable to allocate memory for network connection"},
        {"plain length past the ceiling", frame(5, 0x7FFFFFFF, {}), 14,
         "unable to allocate memory for network connection"},
        {"closed halfway through the payload", frame(static_cast<int>(good.size()), goodP, half), 41, nullptr},
        {"not a zlib stream", frame(4, 4, {1, 2, 3, 4}), 21, "unable to uncompress data"},
        {"stream shorter than announced", frame(static_cast<int>(good.size()), goodP + 1, good), 21, nullptr},
        {"stream longer than announced", frame(static_cast<int>(good.size()), goodP - 1, good), 21, nullptr},
    };
    for (const Case& c : cases) {
        TcpPair pair;
        writeAll(pair.peer, c.sent);
        pair.hangUp();
        auto start = Clock::now();
        int length = -5;
        char* got = pair.client->receiveTcp(length);
        EXPECT_EQ(got, nullptr) << c.name;
        delete[] got;
        EXPECT_EQ(pair.client->error().integervalue(), c.error) << c.name;
        if (c.text) {
            EXPECT_EQ(errorText(*pair.client), c.text) << c.name;
        }
        EXPECT_EQ(length, 0) << c.name;
        EXPECT_LT(msSince(start), 500) << c.name << ": a closed peer must not be waited for";
        EXPECT_TRUE(pair.client->active()) << c.name;
    }
}

TEST(TcpFrame, HeaderMayArriveInPieces) {
    TcpPair pair;
    const std::string plain = "piecemeal";
    Bytes all = frame(0, 0, deflated(plain));
    Bytes z = word(static_cast<int>(all.size() - 9)), p = word(static_cast<int>(plain.size()));
    std::copy(z.begin(), z.end(), all.begin() + 1);
    std::copy(p.begin(), p.end(), all.begin() + 5);
    std::thread writer([&] {
        for (unsigned char b : all) {
            ASSERT_EQ(write(pair.peer, &b, 1), 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    int length = 0;
    char* got = pair.client->receiveTcp(length);
    writer.join();
    ASSERT_NE(got, nullptr) << errorText(*pair.client);
    EXPECT_EQ(std::string(got, length), plain);
    delete[] got;
}

// A header may promise up to the ceiling; the bytes that never come cost neither memory nor
// more than the bounded wait.
TEST(TcpFrame, HostileLengthsAreBoundedInMemoryAndTime) {
    TcpPair pair(1000);
    const int most = TnConnection::kMaxFrameBytes;
    writeAll(pair.peer, frame(most, most, {0x78, 0x9C, 1, 2, 3}));
    auto start = Clock::now();
    int length = 0;
    char* got = pair.client->receiveTcp(length);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(pair.client->error().integervalue(), 15);
    EXPECT_EQ(errorText(*pair.client), "tcp receive socket timed out");
    EXPECT_GE(msSince(start), 900);
    EXPECT_LT(msSince(start), 3000);

    // The same promise from a peer that hangs up ends at once.
    TcpPair closing(1000);
    writeAll(closing.peer, frame(most, most, Bytes(70000, 7)));
    closing.hangUp();
    start = Clock::now();
    got = closing.client->receiveTcp(length);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(closing.client->error().integervalue(), 41);
    EXPECT_LT(msSince(start), 500);

    // A small stream that inflates far beyond what its header admits is cut off.
    std::string bomb(1 << 20, 'x');
    Bytes deflatedBomb = deflated(bomb);
    TcpPair bombed(1000);
    writeAll(bombed.peer, frame(static_cast<int>(deflatedBomb.size()), 1000, deflatedBomb));
    got = bombed.client->receiveTcp(length);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(bombed.client->error().integervalue(), 21);
}

TEST(TcpFrame, SilentPeerTimesOutAndTheConnectionStaysUsable) {
    TcpPair pair(1000);
    int length = 0;
    auto start = Clock::now();
    EXPECT_EQ(pair.client->receiveTcp(length), nullptr);
    EXPECT_EQ(pair.client->error().integervalue(), 15);
    EXPECT_GE(msSince(start), 900);
    EXPECT_TRUE(pair.client->active());
    TnConnection server(pair.peer, TnConnection::kTcp, 1000);
    pair.peer = -1;
    ASSERT_GT(server.sendTcp("late", 4), 0);
    char* got = pair.client->receiveTcp(length);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got, length), "late");
    delete[] got;
}

TEST(Connect, FailuresLeaveNoSocket) {
    int port = 0;
    int fd = openSocket(SOCK_STREAM, port);
    close(fd);  // nothing listens there any more
    TnConnection refused("127.0.0.1", port, TnConnection::kTcp, 1000);
    EXPECT_FALSE(refused.active());
    EXPECT_EQ(refused.sock(), -1);
    EXPECT_EQ(refused.error().integervalue(), 35);
    EXPECT_EQ(errorText(refused), "unable to connect to host");

    TnConnection nobody("", 1, TnConnection::kTcp, 1000);
    EXPECT_FALSE(nobody.active());
    EXPECT_EQ(nobody.sock(), -1);
    EXPECT_EQ(nobody.error().integervalue(), 32);
    EXPECT_EQ(errorText(nobody), "host name unspecified");

    // Every frame operation on a connection that is not up reports error 3.
    int length = 0;
    EXPECT_EQ(refused.sendTcp("x", 1), -1);
    EXPECT_EQ(refused.error().integervalue(), 3);
    EXPECT_EQ(refused.receiveTcp(length), nullptr);
    EXPECT_EQ(refused.sendRawTcp("x", 1), -1);
    EXPECT_EQ(refused.receiveRawTcp(length), nullptr);
    EXPECT_EQ(refused.receiveOpenSSLTcp(length), nullptr);
    EXPECT_EQ(refused.error().integervalue(), 3);
    EXPECT_EQ(errorText(refused), "couldn't use nonactive connection");

    TcpPair pair;
    pair.client->release();
    EXPECT_FALSE(pair.client->active());
    EXPECT_EQ(pair.client->sendTcp("x", 1), -1);
    EXPECT_EQ(pair.client->error().integervalue(), 3);
}

TEST(Connect, TypesNamesAndIds) {
    TnConnection odd(-1, 3, 100);
    EXPECT_EQ(odd.stringtype(), TnString("unknown"));
    int length = 0;
    EXPECT_EQ(odd.send("x", 1), 0);
    EXPECT_EQ(odd.receive(length), nullptr);

    TnConnection a, b;
    EXPECT_EQ(b.id(), a.id() + 1);

    // The secured flavours connect like TCP and carry nothing.
    TcpPair ssl(1000, TnConnection::kSslTcp);
    EXPECT_TRUE(ssl.client->active());
    EXPECT_EQ(ssl.client->send("x", 1), 0);
    EXPECT_EQ(ssl.client->receive(length), nullptr);
    TcpPair sslRaw(1000, TnConnection::kSslRawTcp);
    EXPECT_EQ(sslRaw.client->send("x", 1), 0);
}

TEST(RawTcp, TakesWhatArrivesUntilThePeerPauses) {
    TcpPair pair(1000, TnConnection::kRawTcp);
    std::string text(1000, 'q');
    EXPECT_EQ(pair.client->send(text.data(), 1000), 1000);
    std::vector<char> in(1000);
    size_t got = 0;
    while (got < in.size()) got += read(pair.peer, in.data() + got, in.size() - got);
    EXPECT_EQ(std::string(in.data(), in.size()), text);

    writeAll(pair.peer, Bytes(3000, 'a'));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int length = 0;
    char* raw = pair.client->receive(length);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(length, 3000);
    EXPECT_EQ(pair.client->handled(), 4000);
    delete[] raw;

    // Nothing at all within the time-out: an empty array, not a failure.
    pair.client->timeout(200);
    raw = pair.client->receive(length);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(length, 0);
    delete[] raw;

    pair.hangUp();
    raw = pair.client->receive(length);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(length, 0);
    delete[] raw;
}

namespace {

struct UdpPair {
    UdpPair() {
        fd = openSocket(SOCK_DGRAM, port);
        server = new TnConnection(fd, TnConnection::kUdp, 500);
        client = new TnConnection("127.0.0.1", port, TnConnection::kUdp, 500);
    }
    ~UdpPair() {
        delete client;
        delete server;
        close(fd);
    }
    void raw(const Bytes& datagram) {
        sockaddr_in to = loopback(port);
        ASSERT_EQ(sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
                  static_cast<ssize_t>(datagram.size()));
    }
    int fd = -1, port = 0;
    TnConnection* server = nullptr;
    TnConnection* client = nullptr;
};

}  // namespace

TEST(UdpFrame, RoundTripAndReplyToTheSender) {
    UdpPair pair;
    EXPECT_EQ(pair.client->send("hello", 5), 5);
    EXPECT_EQ(pair.client->address().stringvalue(), TnString("127.0.0.1"));
    int length = 0;
    char* got = pair.server->receive(length);
    ASSERT_NE(got, nullptr) << errorText(*pair.server);
    EXPECT_EQ(std::string(got, length), "hello");
    delete[] got;
    EXPECT_EQ(pair.server->address().stringvalue(), TnString("127.0.0.1"));
    EXPECT_EQ(pair.server->port(), boundPort(pair.client->sock()));

    EXPECT_EQ(pair.server->send("back", 4), 4);
    got = pair.client->receive(length);
    ASSERT_NE(got, nullptr) << errorText(*pair.client);
    EXPECT_EQ(std::string(got, length), "back");
    delete[] got;

    // The server's connection never owned the port socket.
    delete pair.server;
    pair.server = nullptr;
    EXPECT_EQ(write(pair.fd, "", 0) >= 0 || errno != EBADF, true);
    EXPECT_EQ(pair.client->send("again", 5), 5);
    char buffer[64];
    EXPECT_EQ(recv(pair.fd, buffer, sizeof buffer, 0), 10);
}

TEST(UdpFrame, RefusesMalformedDatagrams) {
    struct Case {
        const char* name;
        Bytes datagram;
        int error;
        int length;
    } cases[] = {
        {"five bytes", {2, 0, 0, 0, 1}, 30, 0},
        {"empty", {}, 30, 0},
        {"version 3", {3, 0, 0, 0, 1, 'x'}, 31, 0},
        {"announcing 65530 bytes", {2, 0, 0, 0xFF, 0xFA, 'x'}, 29, -1},
        {"announcing more than it carries", {2, 0, 0, 0, 9, 'x', 'y'}, 30, 9},
        {"zero length", {2, 0, 0, 0, 0, 'x'}, 30, 0},
        {"negative length", {2, 0xFF, 0xFF, 0xFF, 0xFF, 'x'}, 30, -1},
    };
    for (const Case& c : cases) {
        UdpPair pair;
        pair.raw(c.datagram);
        int length = 77;
        char* got = pair.server->receiveUdp(length);
        EXPECT_EQ(got, nullptr) << c.name;
        delete[] got;
        EXPECT_EQ(pair.server->error().integervalue(), c.error) << c.name;
        EXPECT_EQ(length, c.length) << c.name;
    }
    UdpPair versioned;
    versioned.raw({7, 0, 0, 0, 1, 'x'});
    int length = 0;
    EXPECT_EQ(versioned.server->receiveUdp(length), nullptr);
    EXPECT_EQ(errorText(*versioned.server), "udp comm version doesn't match - version: 7");

    UdpPair quiet;
    auto start = Clock::now();
    EXPECT_EQ(quiet.server->receiveUdp(length), nullptr);
    EXPECT_EQ(quiet.server->error().integervalue(), 28);
    EXPECT_GE(msSince(start), 450);
}

TEST(UdpFrame, NewHostIsResolvedAgain) {
    TnConnection c("127.0.0.1", 9, TnConnection::kUdp, 100);
    EXPECT_TRUE(c.address().blank());
    c.address(TnAddress(TnString("127.0.0.2")));
    c.host("127.0.0.1");
    EXPECT_TRUE(c.address().blank());
}

TEST(Checkpoint, WaitsNoLongerThanAsked) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    auto start = Clock::now();
    EXPECT_EQ(TnConnection::checkpoint(fds[0], 300, 1), 1);
    EXPECT_GE(msSince(start), 290);
    EXPECT_LT(msSince(start), 1500);
    EXPECT_EQ(TnConnection::checkpoint(fds[0], 300, 2), 0);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    EXPECT_EQ(TnConnection::checkpoint(fds[0], 5000, 1), 0);
    EXPECT_EQ(TnConnection::checkpoint(-1, 10, 1), 1);
    close(fds[0]);
    close(fds[1]);
}

TEST(Compress, RoundTripAndRefusals) {
    TnCompress zip;
    std::string plain(10000, 'z');
    int z = 0;
    char* packed = zip.compact(z, plain.data(), static_cast<int>(plain.size()));
    ASSERT_NE(packed, nullptr);
    EXPECT_GT(z, 0);
    EXPECT_LT(z, 200);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x78);

    int expected = 10000, produced = 0;
    char* back = zip.uncompact(expected, packed, z, &produced);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(produced, 10000);
    EXPECT_EQ(std::string(back, produced), plain);
    delete[] back;

    // Up to twice the expected size is accepted, more is not.
    expected = 5000;
    back = zip.uncompact(expected, packed, z, &produced);
    EXPECT_NE(back, nullptr);
    EXPECT_EQ(expected, 5000);
    delete[] back;
    expected = 4999;
    EXPECT_EQ(zip.uncompact(expected, packed, z, &produced), nullptr);
    expected = 10000;
    EXPECT_EQ(zip.uncompact(expected, packed, z - 1, &produced), nullptr);  // truncated
    EXPECT_EQ(zip.uncompact(expected, nullptr, 0), nullptr);
    delete[] packed;

    packed = zip.compact(z, "", 0);
    ASSERT_NE(packed, nullptr);
    expected = 0;
    back = zip.uncompact(expected, packed, z, &produced);
    EXPECT_NE(back, nullptr);
    EXPECT_EQ(produced, 0);
    delete[] back;
    delete[] packed;
    EXPECT_EQ(zip.compact(z, nullptr, 5), nullptr);
    EXPECT_EQ(z, 0);
}

TEST(HostAddresses, LookLikeAddresses) {
    TnAddress primary = TnConnection::primaryaddress();
    if (!primary.blank()) {
        EXPECT_TRUE(TnAddress::isaddress(primary.stringvalue()));
    }
    TnMacAddress mac = TnConnection::primarymacaddress();
    if (!mac.blank()) {
        EXPECT_TRUE(TnMacAddress::isaddress(mac.value()));
    }
    TnMacAddressList all;
    all.push(new TnMacAddress(TnString("1:2:3:4:5:6")));
    EXPECT_TRUE(TnConnection::getAllMacAddresses(all));
    for (int i = 0; i < all.length(); ++i) EXPECT_TRUE(TnMacAddress::isaddress(all.get(i)->value()));
    if (!mac.blank()) {
        bool listed = false;
        for (int i = 0; i < all.length(); ++i) listed = listed || all.get(i)->value() == mac.value();
        EXPECT_TRUE(listed);
    }
}
