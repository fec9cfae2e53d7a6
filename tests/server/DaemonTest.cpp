#include <gtest/gtest.h>

#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "diag/TnDebug.h"
#include "protocol/TnConnection.h"
#include "protocol/TnFile.h"
#include "protocol/TnMessage.h"
#include "server/TnPreForkDaemon.h"
#include "support/Support.h"

namespace {

const int kLoopback = 0x7F000001;

struct Seen {
    int type;
    std::string mac;
    int version;
};

// Records what reaches the handler; answers type 9 with a type 42 message.
class Recorder : public TnDaemon {
public:
    void eventhandler(int type, TnMessage& message, TnConnection& connection) override {
        seen.push_back({type, message.macaddress().value().value(), connection.version()});
        if (type == 9) {
            TnMessage answer(42);
            replied = reply(answer, connection);
        }
    }
    std::vector<Seen> seen;
    bool replied = false;
};

// A client that has sent one message; its frame waits in the server's queue until served.
std::unique_ptr<TnConnection> sendTo(int port, TnMessage message, int type = 1) {
    std::unique_ptr<TnConnection> c(new TnConnection("127.0.0.1", port, type, 2000));
    message.pack();
    EXPECT_GT(c->send(message.packContents(), message.packSize()), 0);
    return c;
}

// The one frame the server sent back, decoded; tag -1 when none came.
TnMessage answerOn(TnConnection& c) {
    TnMessage out(-1);
    int length = 0;
    char* data = c.receive(length);
    if (data) out.unpack(data, length);
    delete[] data;
    return out;
}

long long msSince(std::chrono::steady_clock::time_point start) {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now() - start).count();
}

}  // namespace

TEST(DaemonLoop, CountsHandledRequestsAndTimeOuts) {
    Recorder d;
    ASSERT_EQ(d.openport(kLoopback, 0, TnServer::kTcp), 1);
    d.timeout(200);
    const int port = d.port(0);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(d.eventloop(0), 0);
    EXPECT_LT(msSince(start), 150);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(d.eventloop(1), 0);
    EXPECT_GE(msSince(start), 150);

    TnMessage withMac(3);
    withMac.macaddress(TnMacAddress(TnString("01:02:03:04:05:06")));
    withMac.version(7);
    auto a = sendTo(port, TnMessage(3));
    EXPECT_EQ(d.eventloop(1), 1);
    auto b = sendTo(port, withMac);
    EXPECT_EQ(d.eventloop(3), 0);  // one handled, then the time-out ends the bounded loop
    auto empty = sendTo(port, TnMessage(0));
    auto after = sendTo(port, TnMessage(4));
    EXPECT_EQ(d.eventloop(2), 1);  // the type 0 request is closed unhandled

    ASSERT_EQ(d.seen.size(), 3u);
    EXPECT_EQ(d.seen[0].type, 3);
    EXPECT_EQ(d.seen[0].mac, "EE:EE:7F:00:00:01");
    EXPECT_EQ(d.seen[1].mac, "01:02:03:04:05:06");
    EXPECT_EQ(d.seen[1].version, 7);
    EXPECT_EQ(d.seen[2].type, 4);
    // The loop never answers by itself: every client sees the end of the stream.
    for (auto* c : {a.get(), b.get(), empty.get()}) EXPECT_EQ(answerOn(*c).tag(), -1);
    EXPECT_EQ(TnDaemon::substitutemac(TnAddress(TnString("10.0.0.1"))), TnString("EE:EE:0A:00:00:01"));
    EXPECT_EQ(TnDaemon::substitutemac(TnAddress(TnString("192.168.1.10"))), TnString("EE:EE:C0:A8:01:0A"));
}

TEST(DaemonLoop, UnreadableRequestsAreClosedAndDatagramsServed) {
    Recorder d;
    d.addport(kLoopback, 0, TnServer::kUdp);
    ASSERT_EQ(d.openport(kLoopback, 0, TnServer::kTcp), 1);
    d.timeout(200);

    TnConnection silent("127.0.0.1", d.port(1), 1, 2000);
    silent.timeout(1000);
    silent._disconnect();  // closes without a frame
    auto garbage = std::unique_ptr<TnConnection>(new TnConnection("127.0.0.1", d.port(1), 4, 2000));
    garbage->send("\x07garbage", 8);
    auto datagram = sendTo(d.port(0), TnMessage(9), 2);
    EXPECT_EQ(d.eventloop(3), 1);
    ASSERT_EQ(d.seen.size(), 1u);
    EXPECT_EQ(d.seen[0].type, 9);
    EXPECT_TRUE(d.replied);
    datagram->timeout(1000);
    TnMessage answer = answerOn(*datagram);
    EXPECT_EQ(answer.tag(), 42);
    EXPECT_EQ(answer.macaddress().value(), d.macaddr().value());  // replies carry this host's MAC
}

TEST(DaemonReject, RefusesOnlyFramedTcpOnReservedPorts) {
    Recorder d;
    d.addport(kLoopback, 0, 0, TnServer::kTcp, 1);
    d.addport(kLoopback, 0, 0, TnServer::kTcp, 2);
    d.addport(kLoopback, 0, 0, TnServer::kUdp, 2);
    ASSERT_EQ(d.TnServer::openport(), 1);
    TnAddress from;

    auto ordinary = sendTo(d.port(0), TnMessage(3));
    EXPECT_FALSE(d.reject(from));  // mask 1 rows are no business of the refusal
    EXPECT_EQ(d.timeout(), 30000);

    auto refused = sendTo(d.port(1), TnMessage(3));
    EXPECT_TRUE(d.reject(from));
    EXPECT_EQ(from.stringvalue(), TnString("127.0.0.1"));
    TnMessage answer = answerOn(*refused);
    EXPECT_EQ(answer.tag(), 5);
    EXPECT_EQ(answer.version(), 350);

    {
        TnConnection silent("127.0.0.1", d.port(1), 1, 2000);
    }
    from = TnAddress();
    EXPECT_FALSE(d.reject(from));  // nothing to read: no refusal
    EXPECT_EQ(from.stringvalue(), TnString("127.0.0.1"));

    auto datagram = sendTo(d.port(2), TnMessage(3), 2);
    EXPECT_FALSE(d.reject(from));  // datagrams get no refusal
}

TEST(DaemonOutput, StandardStreamsAreKeptAndLogsPruned) {
    Recorder d;
    d.redirectOutput("stderr", 5);
    d.redirectOutput("", 5);
    EXPECT_TRUE(d.outputfile().empty());
    EXPECT_EQ(d.logcount(), 0);

    support::TempDir dir;
    const std::string base = dir.file("vnd.out");
    // Numbered files 0 to 5, modified in the order 3, 0, 5, 1, 4, 2 (2 newest); base.53 is
    // none of them.
    const int order[6] = {3, 0, 5, 1, 4, 2};
    for (int i = 0; i < 6; ++i) {
        std::string name = base + "." + std::to_string(order[i]);
        ASSERT_TRUE(support::writeFile(name, "x"));
        timeval times[2] = {{1000000 + i * 100, 0}, {1000000 + i * 100, 0}};
        ASSERT_EQ(utimes(name.c_str(), times), 0);
    }
    ASSERT_TRUE(support::writeFile(base + ".53", "x"));
    TnString n1((base + ".1").c_str()), n2((base + ".2").c_str());
    EXPECT_EQ(tn_daemon_filecmp(&n1, &n2), 1);
    EXPECT_EQ(tn_daemon_filecmp(&n2, &n1), -1);
    EXPECT_EQ(tn_daemon_filecmp(&n1, &n1), 0);

    // Redirection takes this process's output: do it in a child.
    pid_t child = fork();
    if (child == 0) {
        Recorder r;
        r.redirectOutput(TnString(base.c_str()), 3);
        r.manageLogs();
        r.openport(kLoopback, 0, TnServer::kTcp);
        r.display();
        _exit(r.outputfile() == TnString(base.c_str()) && r.logcount() == 3 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    for (int n : {1, 4, 2, 53}) EXPECT_TRUE(TnFile::exists(TnString((base + "." + std::to_string(n)).c_str()))) << n;
    for (int n : {3, 0, 5}) EXPECT_FALSE(TnFile::exists(TnString((base + "." + std::to_string(n)).c_str()))) << n;
    std::string out = support::readFile(base);
    EXPECT_NE(out.find("]: INFO: removing log file: " + base + ".3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("INFO: opened address: 127.0.0.1 port: "), std::string::npos) << out;
    EXPECT_NE(out.find(" type: tcp.\nINFO: mac address: "), std::string::npos) << out;
}

namespace {

// Reaches the burst flag that the parent sets while it absorbs waiting connections.
class Pool : public TnPreForkDaemon {
public:
    static void burst(bool on) { _overmax = on; }
    ~Pool() override {
        burst(false);
        maxthreads(kMaxProcs);
        idlethreads(10);
        maxclients(5);
    }
};

void nothing() {}

}  // namespace

TEST(PreForkLimits, ClampedAndRegistered) {
    Pool pool;
    EXPECT_EQ(Pool::maxclients(), 5);
    Pool::burst(true);
    EXPECT_EQ(Pool::maxclients(), 2);
    Pool::maxclients(12);
    EXPECT_EQ(Pool::maxclients(), 4);
    Pool::burst(false);

    Pool::maxthreads(10241);
    EXPECT_EQ(Pool::maxthreads(), 10240);
    Pool::maxthreads(20);
    Pool::idlethreads(50);
    EXPECT_EQ(Pool::idlethreads(), 20);

    EXPECT_EQ(Pool::kinpid(64), -1);
    EXPECT_EQ(Pool::kinpid(-1), -1);
    EXPECT_EQ(Pool::kinpid(63), 0);
    EXPECT_FALSE(Pool::kinregister(64));
    EXPECT_TRUE(Pool::kinregister(63));
    for (int i = 0; i < TnPreForkDaemon::kMaxHelpers; ++i) ASSERT_TRUE(Pool::helper(nothing));
    EXPECT_FALSE(Pool::helper(nothing));
    EXPECT_EQ(pool.id(), 1);
    EXPECT_FALSE(Pool::checkloop());
}
