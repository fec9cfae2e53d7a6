#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "protocol/TnConnection.h"
#include "support/PrivateSystem.h"
#include "system/VndProcess.h"

namespace {

bool contains(const std::vector<pid_t>& pids, pid_t p) { return std::find(pids.begin(), pids.end(), p) != pids.end(); }

const std::string kStartLine = "\\[\\d{4}-[1-9]\\d?-[1-9]\\d? \\d{1,2}:\\d{1,2}:\\d{1,2}\\] VND Starting\\.\\.\\.\n";

bool logHolds(int starts) {
    std::string all = "^";
    for (int i = 0; i < starts; ++i) all += kStartLine;
    return std::regex_search(support::readFile("/var/log/vndlog"), std::regex(all + "$"));
}

}  // namespace

TEST_F(VndSystem, QuietStartForksTenAndLogsTheStart) {
    VndProcess vnd;
    started(vnd);
    const std::vector<pid_t> first = vnd.children();
    sleep(3);  // three more quiet passes fork nothing
    EXPECT_EQ(vnd.children(), first);
    for (pid_t p : first) EXPECT_EQ(groupOf(p), vnd.pid());
    EXPECT_TRUE(logHolds(1)) << support::readFile("/var/log/vndlog");
    EXPECT_NE(vnd.output().find("Log file is /var/log/vndlog"), std::string::npos) << vnd.output();
}

TEST_F(VndSystem, ArgumentsAreAnsweredWithoutServing) {
    const struct {
        const char* arg;
        int status;
        const char* says;
    } cases[] = {{"--version", 0, "vnd 1.0.0"}, {"--help", 0, "--version"}, {"extra", 0, "VND Starting..."}, {"--bogus", 1, "bogus"}};
    for (const auto& c : cases) {
        VndProcess vnd({c.arg});
        ASSERT_EQ(vnd.failure(), "");
        EXPECT_EQ(vnd.waitExit(5000), c.status) << c.arg << "\n" << vnd.output();
        EXPECT_NE(vnd.output().find(c.says), std::string::npos) << c.arg << "\n" << vnd.output();
        EXPECT_TRUE(vnd.waitGroupGone(1000)) << c.arg;
    }
    // The ports are opened and the start logged before the arguments are looked at.
    EXPECT_TRUE(logHolds(4)) << support::readFile("/var/log/vndlog");
}

TEST_F(VndSystem, EveryProcessServesFiveAndIsReplaced) {
    VndProcess vnd;
    started(vnd);
    const std::vector<pid_t> first = vnd.children();
    const std::string frame = tcpframe(TnMessage(3));
    std::map<pid_t, int> served;
    int retired = 0;
    for (int i = 0; i < 80 && retired < 2; ++i) {
        int fd = dial();
        pid_t who = holder(vnd.pid(), fd, 3000);
        ASSERT_GT(who, 0) << "connection " << i << " not accepted";
        ASSERT_EQ(send(fd, frame.data(), frame.size(), 0), static_cast<ssize_t>(frame.size()));
        EXPECT_TRUE(closedByPeer(fd, 3000));
        close(fd);
        retired += ++served[who] == 5;
    }
    ASSERT_EQ(retired, 2);
    sleep(1);
    const std::vector<pid_t> now = vnd.children();
    EXPECT_GE(now.size(), 10u);
    for (auto& entry : served) {
        // One forked later while a connection waited serves two: after two, either may be gone.
        if (!contains(first, entry.first) && entry.second == 2) continue;
        EXPECT_EQ(contains(now, entry.first), entry.second < 5) << entry.second;
    }
}

TEST_F(VndSystem, UndefinedDomainIsAnsweredOverTcpOnly) {
    ASSERT_TRUE(support::writeFile("/etc/tn.conf", "client_flags = restrict_domain\n"));
    VndProcess vnd;
    started(vnd);
    Result refused = request(TnMessage(3));
    EXPECT_EQ(refused.outcome, Outcome::kAnswered);
    EXPECT_EQ(refused.tag, 0);
    TnMessage inDomain(3);
    inDomain.tarndomain("farm");
    EXPECT_EQ(request(inDomain).outcome, Outcome::kServed);

    TnConnection udp(TnString("127.0.0.1"), VndProcess::kPort, 2, 1500);
    TnMessage datagram(3);
    datagram.pack();
    ASSERT_GT(udp.send(datagram.packContents(), datagram.packSize()), 0);
    int length = 0;
    EXPECT_EQ(udp.receive(length), nullptr);
    EXPECT_EQ(udp.error().integervalue(), 28);  // nothing came back
    EXPECT_TRUE(vnd.waitOutput("WARNING: ignoring undefined domain communication - 127.0.0.1\n", 2000));
}

TEST_F(VndSystem, HangupReplacesTheServingProcesses) {
    VndProcess vnd;
    started(vnd);
    const std::vector<pid_t> before = vnd.children();
    ASSERT_EQ(kill(-vnd.pid(), SIGHUP), 0);
    // An idle process learns of the reset when its wait ends, at the latest when a
    // connection wakes it.
    auto oldOnesLeft = [&] {
        for (pid_t p : vnd.children())
            if (contains(before, p)) return true;
        return false;
    };
    for (int i = 0; i < 50 && oldOnesLeft(); ++i) {
        EXPECT_EQ(request(TnMessage(3)).outcome, Outcome::kServed);
        usleep(100000);
    }
    EXPECT_FALSE(oldOnesLeft());
    EXPECT_TRUE(vnd.waitChildren(10, 3000));
    EXPECT_TRUE(vnd.waitOutput("INFO: daemon resetting...\n", 1000)) << vnd.output();
    EXPECT_TRUE(vnd.waitOutput("thread resetting (_reset == TRUE)\n", 1000)) << vnd.output();
    EXPECT_TRUE(vnd.alive());
}

TEST_F(VndSystem, TerminateEndsTheWholeGroupWithStatusZero) {
    VndProcess vnd;
    started(vnd);
    ASSERT_EQ(kill(vnd.pid(), SIGTERM), 0);
    // Idle processes keep waiting: the parent waits three times two seconds, then signals
    // the group again.
    EXPECT_EQ(vnd.waitExit(15000), 0) << vnd.output();
    EXPECT_TRUE(vnd.waitGroupGone(3000));
    const std::string out = vnd.output();
    EXPECT_NE(out.find("INFO: daemon shutting down...\n"), std::string::npos) << out;
    EXPECT_NE(out.find("]: INFO: waiting for threads to exit: 10 left.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("]: INFO: exiting eventloop \n"), std::string::npos) << out;
    EXPECT_LT(dial(), 0);  // the ports are closed
}

TEST_F(VndSystem, BusyPortIsWaitedFor) {
    ASSERT_TRUE(support::freshNetwork(nullptr));
    int taken = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(VndProcess::kPort);
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(listen(taken, 1), 0);

    VndProcess vnd({}, false);
    ASSERT_EQ(vnd.failure(), "");
    EXPECT_TRUE(vnd.waitOutput(
        "]: tcp bind fail: Address already in use: waiting for tcp socket to open up - port: 50005\n", 5000))
        << vnd.output();
    EXPECT_TRUE(vnd.alive());
    EXPECT_TRUE(vnd.children().empty());
    close(taken);
}
