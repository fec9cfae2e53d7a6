#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "protocol/TnCompress.h"
#include "protocol/TnConnection.h"
#include "system/VndProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::mt19937 rng(7);

std::string noise(size_t n) {
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(rng());
    return out;
}

// A TCP frame header, or with width 5 a datagram's.
std::string header(char version, int z, int p, size_t width = 9) {
    char h[9];
    TnConnection::tcpheader(h, z, p);
    h[0] = version;
    return std::string(h, width);
}

// A frame with a sound zlib stream of `plain`, announcing `claimed` plain bytes.
std::string deflated(const std::string& plain, int claimed) {
    int z = 0;
    char* c = TnCompress().compact(z, plain.data(), static_cast<int>(plain.size()));
    std::string out = header(2, z, claimed) + std::string(c, static_cast<size_t>(z));
    delete[] c;
    return out;
}

// Bytes waiting in the daemon's datagram socket, -1 when it is not found.
long unreadDatagramBytes() {
    std::istringstream table(support::readFile("/proc/net/udp"));
    std::string line, sl, local, remote, state, queues;
    while (std::getline(table, line)) {
        std::istringstream words(line);
        if (words >> sl >> local >> remote >> state >> queues && local.size() > 5 &&
            local.substr(local.size() - 5) == ":C355")
            return strtol(queues.substr(queues.find(':') + 1).c_str(), nullptr, 16);
    }
    return -1;
}

class VndLoad : public VndSystem {};

}  // namespace

TEST_F(VndLoad, TwoHundredConcurrentClientsAreAllServed) {
    VndProcess vnd;
    started(vnd);
    std::vector<Outcome> outcomes(200, Outcome::kNoConnection);
    std::vector<std::thread> clients;
    auto start = Clock::now();
    for (Outcome& o : outcomes) clients.emplace_back([&o] { o = request(TnMessage(3)).outcome; });
    for (auto& t : clients) t.join();
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), Outcome::kServed), 200) << msSince(start) << " ms";
    EXPECT_TRUE(vnd.alive());
    EXPECT_LE(vnd.children().size(), 100u);
}

TEST_F(VndLoad, IdleConnectionsDoNotStarveARequest) {
    VndProcess vnd;
    started(vnd);
    std::vector<int> idle;
    for (int i = 0; i < 15; ++i) idle.push_back(dial());
    auto start = Clock::now();
    EXPECT_EQ(request(TnMessage(3)).outcome, Outcome::kServed);
    EXPECT_LT(msSince(start), 4000);  // the pool grew instead of waiting for the idle ones
    EXPECT_GT(vnd.children().size(), 10u);
    for (int fd : idle) close(fd);
}

TEST_F(VndLoad, MalformedInputLeavesNothingStuck) {
    VndProcess vnd;
    started(vnd);
    const std::string good = tcpframe(TnMessage(3));
    const std::string frames[] = {
        noise(1000),                              // no frame at all
        header(3, 16, 16) + noise(16),            // another frame version
        good.substr(0, 3),                        // header cut short
        good.substr(0, 9),                        // header only
        good.substr(0, good.size() - 3),          // payload cut short
        header(2, -1, 16),                        // negative length
        header(2, 0, 0),                          // empty payload
        header(2, 0x7FFFFFFF, 0x7FFFFFFF),        // more than any frame may hold
        header(2, 16, 64) + noise(16),            // no zlib stream
        deflated(std::string(500, 'x'), 499),     // plain length misstated
        deflated(noise(3000), 3000),              // sound frame, garbage message
        good + noise(70000),                      // trailing junk
    };
    std::vector<int> open;
    for (const std::string& bytes : frames) {
        open.push_back(dial());
        send(open.back(), bytes.data(), bytes.size(), MSG_NOSIGNAL);  // and kept open
    }
    const std::string datagrams[] = {
        "\x02",
        header(2, 0, 0, 5),
        header(7, 40, 0, 5) + noise(40),          // another version
        header(2, -5, 0, 5) + noise(40),          // negative length
        header(2, 400, 0, 5) + noise(40),         // longer than the datagram
        header(2, 70000, 0, 5) + noise(40),       // longer than any datagram
        header(2, 40, 0, 5) + noise(40),          // garbage message
        header(2, 65000, 0, 5) + noise(65000),
    };
    int udp = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(VndProcess::kPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (const std::string& d : datagrams) sendto(udp, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    close(udp);

    // A serving process gives up on a silent peer after one read wait (a fifth of 30 s).
    auto start = Clock::now();
    for (size_t i = 0; i < open.size(); ++i) {
        EXPECT_TRUE(closedByPeer(open[i], static_cast<int>(std::max(0LL, 12000 - msSince(start))))) << "frame " << i;
        close(open[i]);
    }
    long unread = -1;
    for (int i = 0; i < 100 && (unread = unreadDatagramBytes()) != 0; ++i) usleep(20000);
    EXPECT_EQ(unread, 0);
    EXPECT_TRUE(vnd.alive());
    EXPECT_EQ(request(TnMessage(3)).outcome, Outcome::kServed);
}
