#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <set>

#include "protocol/TnHostname.h"
#include "support/StandInSupervisor.h"
#include "system/ClientSystem.h"

using support::StandInSupervisor;

namespace {

// The whole program lives in the private system; without it every test skips.
class PrivateSystemEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string why;
        if (!support::enterPrivateSystem(&why)) GTEST_SKIP() << "no private system: " << why;
        unsetenv("TN_SUPERVISOR");
        unsetenv("TN_DOMAIN");
        unsetenv("TN_DIR");
    }
};

const bool registered = (::testing::AddGlobalTestEnvironment(new PrivateSystemEnvironment), true);

const TnString kLocal("127.0.0.1");

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

int udpCount(const StandInSupervisor& s) {
    int n = 0;
    for (const auto& r : s.received()) n += r.udp;
    return n;
}

}  // namespace

TEST_F(ClientSystem, SingleExchangesAreStamped) {
    StandInSupervisor s;
    ASSERT_TRUE(s.start(0, 0));
    conf("client_host_domain = hosts.example\ntn_domain = farm\ntn_region = eu\nsupervisor_host = " +
         host(s.tcpport()) + "\n");
    TnClient client;
    TnMessage request(300), reply;
    EXPECT_EQ(client.converse("", s.tcpport(), request, reply), 0);
    EXPECT_EQ(client.converse(kLocal, s.tcpport(), request, reply), 1);
    EXPECT_EQ(reply.tag(), 300);
    EXPECT_EQ(reply.address().stringvalue(), kLocal);
    EXPECT_EQ(client.lastcontact(), kLocal);
    client.setDomain("other");
    EXPECT_EQ(client.transmit(kLocal, s.tcpport(), request), 1);
    EXPECT_EQ(client.telegram(kLocal, s.udpport(), request), 1);
    EXPECT_EQ(client.transmitSupervisor(request), 1);
    EXPECT_EQ(client.telegramSupervisor(request), 1);
    ASSERT_TRUE(s.waitFor(5, 2000));
    auto got = s.received();
    EXPECT_EQ(got[0].user, TnString("root"));
    EXPECT_EQ(got[0].domain, TnString("hosts.example"));
    EXPECT_EQ(got[0].tarndomain, TnString("farm"));
    EXPECT_EQ(got[0].tarnregion, TnString("eu"));
    EXPECT_EQ(got[1].tarndomain, TnString("other"));
    EXPECT_EQ(udpCount(s), 2);

    s.stop();
    EXPECT_EQ(client.transmit(kLocal, s.tcpport(), request), 0);
    EXPECT_EQ(client.error().integervalue(), 35);
    EXPECT_EQ(client.converse(kLocal, s.tcpport(), request, reply), 0);
    EXPECT_TRUE(contains(debugLog(), "ERROR: unable to establish tcp connection with 127.0.0.1 - unable to connect to host."));
}

TEST_F(ClientSystem, RefusalsAndEmptyRepliesPauseRetriesDoNotPauseTwice) {
    StandInSupervisor s;
    ASSERT_TRUE(s.start());
    conf("worker_port = " + std::to_string(s.tcpport()) + "\n");
    TnClient client;
    TnMessage request(300), reply;
    s.answer(StandInSupervisor::kRefuse, 1);
    EXPECT_EQ(client.converseWorker(kLocal, request, reply), 0);
    EXPECT_TRUE(client.rejected());
    s.answer(StandInSupervisor::kEmpty, 1);
    EXPECT_EQ(client.converseWorker(kLocal, request, reply), 0);
    EXPECT_FALSE(client.rejected());
    ASSERT_EQ(pauses().size(), 2u);
    for (int p : pauses()) EXPECT_TRUE(p >= 1 && p <= 10) << p;
    EXPECT_TRUE(contains(debugLog(), "ERROR: max connections reached for 127.0.0.1 - connection rejected.\n"));

    // A refused attempt has paused already and is retried at once.
    pauses().clear();
    s.answer(StandInSupervisor::kRefuse, 1);
    EXPECT_EQ(client.converseWorkerWithRetries(kLocal, request, reply, 2), 1);
    EXPECT_EQ(pauses().size(), 1u);

    // A failed one waits 5 to 10 seconds, except after the last attempt.
    pauses().clear();
    s.answer(StandInSupervisor::kSilent);
    EXPECT_EQ(client.converseWorkerWithRetries(kLocal, request, reply, 1), 0);
    ASSERT_EQ(pauses().size(), 1u);
    EXPECT_TRUE(pauses()[0] >= 5 && pauses()[0] <= 10) << pauses()[0];
    std::string log = debugLog();
    EXPECT_TRUE(contains(log, "]: WARNING: converseWorker() attempt[1/2] to worker[127.0.0.1] failed (worker down?)\n"));
    EXPECT_TRUE(contains(log, "WARNING:: retrying in [" + std::to_string(pauses()[0]) + "] seconds.\n"));
    EXPECT_TRUE(contains(log, "attempt[2/2]"));
    EXPECT_EQ(s.count(), 6);
}

TEST_F(ClientSystem, ConfiguredHostsAreEachTriedOnceFromARandomStart) {
    TnClient lost;
    TnMessage request(300), reply;
    testing::internal::CaptureStderr();
    EXPECT_EQ(lost.converseSupervisor(request, reply), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "WARNING: tn_supervisor/tn_domain undefined in tn.conf or TN_SUPERVISOR/TN_DOMAIN undefined in  "
              "environment.\n");
    EXPECT_EQ(lost.meetSupervisor(request, reply), 0);

    StandInSupervisor s[3];
    for (auto& one : s) {
        ASSERT_TRUE(one.start());
        one.answer(StandInSupervisor::kSilent);
    }
    // No domain: once the hosts have failed there is nothing else to try.
    conf("supervisor_host = " + host(s[0].tcpport()) + "," + host(s[1].tcpport()) + "\ntn_supervisor = " +
         host(s[2].tcpport()) + "\n");
    TnClient client;
    std::set<int> starts;
    for (int round = 1; round <= 12; ++round) {
        EXPECT_EQ(client.converseSupervisor(request, reply), 0);
        int seq[3];
        for (int i = 0; i < 3; ++i) {
            auto got = s[i].received();
            ASSERT_EQ(got.size(), static_cast<size_t>(round));
            seq[i] = got.back().sequence;
        }
        int first = 0;
        for (int i = 1; i < 3; ++i)
            if (seq[i] < seq[first]) first = i;
        starts.insert(first);
        EXPECT_LT(seq[first], seq[(first + 1) % 3]);
        EXPECT_LT(seq[(first + 1) % 3], seq[(first + 2) % 3]);
    }
    EXPECT_GT(starts.size(), 1u);
}

TEST_F(ClientSystem, RedirectsAreFollowedAndAnExplicitSupervisorIsTheOnlyOneAsked) {
    StandInSupervisor redirecting, target;
    ASSERT_TRUE(redirecting.start());
    ASSERT_TRUE(target.start(0, 0, true));
    redirecting.answer(StandInSupervisor::kRedirect);
    redirecting.redirect(kLocal, 1);  // the port it names is not used
    conf("supervisor_host = " + host(redirecting.tcpport()) + "\nsupervisor_port = " +
         std::to_string(target.tcpport()) + "\ntn_domain = farm\n");
    TnClient client;
    TnMessage request(300), reply;
    EXPECT_EQ(client.converseSupervisor(request, reply), 1);
    EXPECT_EQ(reply.tag(), 300);
    EXPECT_EQ(redirecting.count(), 1);
    EXPECT_EQ(target.count(), 1);

    // Neither the list, nor the cache, nor a discovery.
    support::writeFile(TnClient::cachefile().value(), "127.0.0.1");
    target.answer(StandInSupervisor::kSilent);
    client.setSupervisor(kLocal);
    EXPECT_EQ(client.converseSupervisor(request, reply), 0);
    usleep(100000);
    EXPECT_EQ(redirecting.count(), 1);
    EXPECT_EQ(target.count(), 2);
    EXPECT_EQ(udpCount(target), 0);
}

TEST_F(ClientSystem, CacheIsUsedWhileFreshAndDiscoveryRenewsIt) {
    StandInSupervisor s;
    ASSERT_TRUE(s.start(0, 0, true));
    s.domain(TnDomain("farm", "eu", 9));
    conf("supervisor_port = " + std::to_string(s.tcpport()) + "\ntn_domain = farm\ntn_region = eu\n");
    const std::string cache = TnClient::cachefile().value();
    TnMessage request(300), reply;
    {
        TnClient client;
        EXPECT_EQ(client.converseSupervisor(request, reply), 1);
        auto got = s.received();
        ASSERT_EQ(got.size(), 2u);
        EXPECT_TRUE(got[0].udp);
        EXPECT_EQ(got[0].tag, 401);
        EXPECT_EQ(got[0].contentname, TnString("farm"));
        EXPECT_EQ(got[1].tag, 300);
        EXPECT_EQ(support::readFile(cache), "127.0.0.1");
        ASSERT_EQ(client.supe_list().length(), 1);
        EXPECT_EQ(client.supe_list().get(0)->host(), kLocal);
    }
    struct Case {
        int cacheAge, confAge;
        bool discovers;
    } cases[] = {{10, 300, false}, {590, 600, false}, {601, 900, true}, {10, 5, true}};
    for (const Case& c : cases) {
        s.forget();
        age(cache, c.cacheAge);
        age("/etc/tn.conf", c.confAge);
        TnClient client;
        EXPECT_EQ(client.converseSupervisor(request, reply), 1);
        EXPECT_EQ(udpCount(s), c.discovers ? 1 : 0) << c.cacheAge << " " << c.confAge;
        EXPECT_EQ(s.count(), c.discovers ? 2 : 1);
        if (c.discovers) {
            EXPECT_GE(TnFile::mtime(cache.c_str()), time(nullptr) - 5);
        }
    }
}

TEST_F(ClientSystem, FindSupervisorAndBroadcastPolls) {
    StandInSupervisor s;
    ASSERT_TRUE(s.start(0, 0, true));
    s.domain(TnDomain("farm", "eu", 9));
    conf("supervisor_host = " + host(s.tcpport()) + "\nsupervisor_port = " + std::to_string(s.tcpport()) + "\n");
    TnClient client;
    TnHostnameList listed;
    EXPECT_EQ(client.findSupervisor(listed, false), 1);
    EXPECT_EQ(listed.length(), 1);
    EXPECT_TRUE(contains(debugLog(), "INFO: findSupervisor() skipping detection... returning supervisor_host defined in tn.conf\n"));
    usleep(100000);
    EXPECT_EQ(s.count(), 0);

    TnHostnameList found;
    EXPECT_EQ(client.findSupervisor(found, true), 1);
    ASSERT_EQ(found.length(), 1);
    EXPECT_EQ(found.get(0)->host(), kLocal);
    EXPECT_EQ(found.get(0)->port(), 0);
    EXPECT_EQ(found.get(0)->id(), 9);
    EXPECT_TRUE(s.waitFor(200, 5000));  // every round: the broadcast and the configured host
    EXPECT_EQ(udpCount(s), 200);

    s.forget();
    TnMessage request(401), reply;
    EXPECT_EQ(client.poll(s.udpport(), request, reply), 1);
    ASSERT_NE(reply.content(), nullptr);
    EXPECT_EQ(reply.content()->type(), TnDomain::kTypeCode);
    EXPECT_EQ(reply.address().stringvalue(), kLocal);
    TnMessageList replies;
    EXPECT_EQ(client.poll(s.udpport(), request, replies), 1);
    EXPECT_EQ(replies.length(), 1);
    replies.clear();
    s.answer(StandInSupervisor::kRefuse, 1);
    EXPECT_EQ(client.poll(s.udpport(), request, reply), 0);
    EXPECT_TRUE(client.rejected());
    s.answer(StandInSupervisor::kEmpty, 1);
    EXPECT_EQ(client.poll(s.udpport(), request, reply), 0);
    ASSERT_EQ(pauses().size(), 2u);
    EXPECT_TRUE(pauses()[1] >= 1 && pauses()[1] <= 20);
    EXPECT_EQ(client.broadcast(s.udpport(), request), 1);
    EXPECT_TRUE(s.waitFor(5, 2000));
}

TEST_F(ClientSystem, MeetSupervisorsAndJoinADomain) {
    StandInSupervisor a, b;
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(b.start());
    a.domain(TnDomain("farm", "eu", 4));
    b.domain(TnDomain("farm", "eu", 4));
    conf("supervisor_host = " + host(a.tcpport()) + "," + host(b.tcpport()) + "\n");
    TnClient client;
    TnMessage request(300), reply;
    EXPECT_EQ(client.meetSupervisor(request, reply), 1);
    EXPECT_EQ(client.conversetimeout(), 30000);
    EXPECT_EQ(a.count(), 1);
    EXPECT_EQ(b.count(), 1);

    TnDomain domain;
    EXPECT_EQ(client.joinDomain(domain), 1);
    EXPECT_EQ(domain.value(), TnString("farm"));
    EXPECT_EQ(domain.id(), 4);
    EXPECT_EQ(client.domain(), TnString("farm"));
    EXPECT_EQ(a.count() + b.count(), 3);
    EXPECT_EQ(client.joinDomain(domain), 0);  // known now
}

TEST_F(ClientSystem, StandInProgramServesUntilTerminated) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    std::string program = support::buildDir() + "/standin";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        execl(program.c_str(), "standin", "--udp", "0", "--refuse", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* from = fdopen(out[0], "r");
    char line[128] = "";
    int tcp = 0, udp = -1;
    EXPECT_TRUE(fgets(line, sizeof line, from) && sscanf(line, "standin tcp %d udp %d", &tcp, &udp) == 2);
    EXPECT_EQ(tcp, udp);
    TnClient client;
    TnMessage request(300), reply;
    EXPECT_EQ(client.converse(kLocal, tcp, request, reply), 0);
    EXPECT_TRUE(client.rejected());
    kill(pid, SIGTERM);
    EXPECT_TRUE(fgets(line, sizeof line, from));
    EXPECT_STREQ(line, "received 300 tcp \n");
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    fclose(from);
}
