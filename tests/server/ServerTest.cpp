#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "diag/TnDebug.h"
#include "protocol/TnConnection.h"
#include "server/TnServer.h"
#include "support/Support.h"

namespace {

using support::boundPort;
using support::loopback;

using Clock = std::chrono::steady_clock;

const int kLoopback = 0x7F000001;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A connected client socket; the server's listen queue completes the handshake.
int dial(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = loopback(port);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    return fd;
}

// Which server port an accepted connection came in on.
int servedPort(TnConnection* c) { return c ? boundPort(c->sock()) : -1; }

class ShortBindRetry {
public:
    ShortBindRetry(int budget, int pause) { TnServer::bindretry(budget, pause); }
    ~ShortBindRetry() { TnServer::resetbindretry(); }
};

}  // namespace

TEST(ServerPorts, EphemeralPortsAreReadBack) {
    TnServer server;
    ASSERT_EQ(server.openport(kLoopback, 0, TnServer::kTcp), 1);
    ASSERT_EQ(server.openport(), 0);  // the walk meets the open row again
    EXPECT_EQ(server.error().integervalue(), -1);
    EXPECT_TRUE(server.active());
    EXPECT_EQ(server.address(0), kLoopback);
    EXPECT_EQ(server.port(0), boundPort(server.sock(0)));
    EXPECT_EQ(server.porttype(0), TnString("tcp"));

    TnServer udp;
    ASSERT_EQ(udp.openport(kLoopback, 0, TnServer::kUdp), 1);
    EXPECT_NE(udp.port(0), 0);
    EXPECT_EQ(udp.openport(), 0);
    EXPECT_EQ(udp.error().integervalue(), 1041);
    EXPECT_EQ(udp.error().value(), TnString("couldn't open udp socket"));

    int fd = server.sock(0);
    EXPECT_EQ(server.release(), 1);
    EXPECT_FALSE(server.active());
    EXPECT_EQ(server.sock(0), -1);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
    EXPECT_EQ(udp.cleanup(), 1);
    EXPECT_EQ(udp.sock(0), -1);
}

TEST(ServerPorts, TableNamesAndLimit) {
    TnServer server;
    EXPECT_EQ(server.addport(0, 0, 6), 1);
    EXPECT_EQ(server.porttype(0), TnString("multicast_udp"));
    while (server.length() < TnServer::kMaxPorts) server.addport(0, 0, 9);
    EXPECT_EQ(server.addport(0, 0, 1), 0);
    EXPECT_EQ(server.length(), TnServer::kMaxPorts);
    EXPECT_EQ(server.porttype(TnServer::kMaxPorts), TnString("unknown"));
    EXPECT_EQ(server.sock(-1), -1);

    // Rows of unknown types are skipped by the opener.
    TnServer skipping;
    skipping.addport(kLoopback, 0, 3);
    skipping.addport(kLoopback, 0, TnServer::kRawTcp);
    EXPECT_EQ(skipping.openport(), 1);
    EXPECT_EQ(skipping.sock(0), -1);
    EXPECT_GE(skipping.sock(1), 0);

    double vm = 0, rss = 0;
    process_mem_usage(vm, rss);
    EXPECT_GT(vm, 0);
    EXPECT_GT(rss, 0);
    EXPECT_GE(vm, rss);
}

TEST(ServerPorts, BusyPortIsRetriedThenGivenUp) {
    TnServer holder;
    ASSERT_EQ(holder.openport(kLoopback, 0, TnServer::kTcp), 1);
    ASSERT_EQ(holder.openport(kLoopback, 0, TnServer::kUdp), 0);  // row 0 is open already
    ASSERT_EQ(TnServer().openport(kLoopback, 0, TnServer::kUdp), 1);

    support::TempDir dir;
    tn_debug_filename(dir.file("debug.log").c_str(), 0);
    ShortBindRetry quick(250, 100);  // three binds, two waits
    TnServer late;
    auto start = Clock::now();
    EXPECT_EQ(late.openport(kLoopback, holder.port(0), TnServer::kTcp), 0);
    long long took = msSince(start);
    EXPECT_GE(took, 190);
    EXPECT_LT(took, 2000);
    EXPECT_EQ(late.error().integervalue(), 1050);
    EXPECT_EQ(late.error().value(), TnString("tcp bind fail: ") + strerror(EADDRINUSE));
    EXPECT_EQ(late.sock(0), -1);
    EXPECT_FALSE(late.active());

    TnServer secured;
    EXPECT_EQ(secured.openport(kLoopback, holder.port(0), TnServer::kSslTcp), 0);
    EXPECT_EQ(secured.error().value(), TnString("openssl tcp bind fail: ") + strerror(EADDRINUSE));
    tn_debug_filename("", 0);

    std::string log = support::readFile(dir.file("debug.log"));
    std::string plainLine = std::string("tcp bind fail: ") + strerror(EADDRINUSE) +
                            ": waiting for tcp socket to open up - port: " + std::to_string(holder.port(0)) + "\n";
    std::string securedLine = "]: waiting for tcp socket to open up - port: " + std::to_string(holder.port(0)) + "\n";
    for (const std::string& line : {plainLine, securedLine}) {
        size_t count = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
        EXPECT_EQ(count, 2u) << log;
    }
}

TEST(ServerPorts, BusyUdpPortToo) {
    TnServer holder;
    ASSERT_EQ(holder.openport(kLoopback, 0, TnServer::kUdp), 1);
    ShortBindRetry quick(0, 50);  // one bind, no wait
    TnServer late;
    EXPECT_EQ(late.openport(kLoopback, holder.port(0), TnServer::kUdp), 0);
    EXPECT_EQ(late.error().integervalue(), 1048);
}

TEST(ServerService, EmptyTableSleepsASecond) {
    TnServer server;
    auto start = Clock::now();
    EXPECT_EQ(server.service(-1), nullptr);
    EXPECT_GE(msSince(start), 950);
    EXPECT_EQ(server.status(), -2);
    EXPECT_FALSE(server.ready(-1));
}

TEST(ServerService, NothingReadyWithinTheTimeout) {
    TnServer server;
    ASSERT_EQ(server.openport(kLoopback, 0, TnServer::kTcp), 1);
    server.timeout(300);
    auto start = Clock::now();
    EXPECT_EQ(server.service(-1), nullptr);
    EXPECT_GE(msSince(start), 290);
    EXPECT_LT(msSince(start), 2000);
    EXPECT_EQ(server.status(), -2);
}

TEST(ServerService, OrdinaryRowsComeFirstAndBitTwoIsReserved) {
    for (int order = 0; order < 2; ++order) {
        TnServer server;
        server.timeout(300);
        // Rows: the mask-3 row first in one round, second in the other.
        server.addport(kLoopback, 0, 0, TnServer::kTcp, order == 0 ? 3 : 1);
        server.addport(kLoopback, 0, 0, TnServer::kTcp, order == 0 ? 1 : 3);
        ASSERT_EQ(server.openport(), 1);
        int reserved = server.port(order == 0 ? 0 : 1), ordinary = server.port(order == 0 ? 1 : 0);

        int a = dial(reserved), b = dial(ordinary);
        usleep(50000);
        EXPECT_TRUE(server.ready(1));
        EXPECT_TRUE(server.ready(2));
        TnConnection* first = server.service(-1);
        EXPECT_EQ(servedPort(first), ordinary) << order;
        EXPECT_EQ(server.status(), 0);
        delete first;
        TnConnection* second = server.service(-1);
        EXPECT_EQ(servedPort(second), reserved) << order;
        delete second;

        // Asking for bit 2 alone gets only the reserved row.
        int c = dial(ordinary);
        usleep(50000);
        EXPECT_FALSE(server.ready(2));
        EXPECT_EQ(server.service(2), nullptr);
        EXPECT_EQ(server.status(), -2);
        int d = dial(reserved);
        usleep(50000);
        TnConnection* third = server.service(2);
        EXPECT_EQ(servedPort(third), reserved);
        delete third;
        TnConnection* fourth = server.service(1);
        EXPECT_EQ(servedPort(fourth), ordinary);
        ASSERT_NE(fourth, nullptr);
        EXPECT_EQ(fourth->type(), TnConnection::kTcp);
        EXPECT_EQ(fourth->address().stringvalue(), TnString("127.0.0.1"));
        EXPECT_EQ(fourth->port(), boundPort(c));
        delete fourth;
        for (int fd : {a, b, c, d}) close(fd);
    }
}

TEST(ServerService, FramedExchangeAndServedTypes) {
    TnServer server;
    server.timeout(2000);
    server.addport(kLoopback, 0, 0, TnServer::kTcp, 1);
    server.addport(kLoopback, 0, 0, TnServer::kRawTcp, 1);
    server.addport(kLoopback, 0, 0, TnServer::kSslRawTcp, 1);
    ASSERT_EQ(server.openport(), 1);

    TnConnection client("127.0.0.1", server.port(0), TnConnection::kTcp, 2000);
    ASSERT_GT(client.send("ping", 4), 0);
    TnConnection* served = server.service(-1);
    ASSERT_NE(served, nullptr);
    int length = 0;
    char* got = served->receive(length);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got, length), "ping");
    delete[] got;
    delete served;

    for (int row : {1, 2}) {
        int fd = dial(server.port(row));
        TnConnection* c = server.service(-1);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->type(), row == 1 ? TnConnection::kRawTcp : TnConnection::kSslRawTcp);
        delete c;
        close(fd);
    }
}

TEST(ServerService, UdpPortOutlivesItsConnections) {
    TnServer server;
    server.timeout(2000);
    ASSERT_EQ(server.openport(kLoopback, 0, TnServer::kUdp), 1);
    TnConnection client("127.0.0.1", server.port(0), TnConnection::kUdp, 2000);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(client.send("hi", 2), 2);
        TnConnection* served = server.service(-1);
        ASSERT_NE(served, nullptr);
        EXPECT_EQ(served->type(), TnConnection::kUdp);
        EXPECT_EQ(served->sock(), server.sock(0));
        int length = 0;
        char* got = served->receive(length);
        ASSERT_NE(got, nullptr);
        EXPECT_EQ(std::string(got, length), "hi");
        delete[] got;
        EXPECT_EQ(served->send("yo", 2), 2);
        delete served;
        EXPECT_NE(fcntl(server.sock(0), F_GETFD), -1) << round;
        got = client.receive(length);
        ASSERT_NE(got, nullptr);
        EXPECT_EQ(std::string(got, length), "yo");
        delete[] got;
    }
}
