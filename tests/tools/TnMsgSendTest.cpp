#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "protocol/TnDomain.h"
#include "protocol/TnMessage.h"
#include "support/PrivateSystem.h"
#include "support/StandInSupervisor.h"
#include "support/Support.h"
#include "tools/ToolRun.h"

namespace {

std::string at(int port) { return "127.0.0.1:" + std::to_string(port); }

std::string login() {
    const passwd* pw = getpwuid(getuid());
    return pw ? pw->pw_name : "";
}

TEST(TnMsgSend, StampsTheRequestAndPrintsTheReplyOverTcpAndUdp) {
    if (support::inPrivateSystem()) support::writeFile("/etc/tn.conf", "tn_domain = testfarm\ntn_region = north\n");
    support::TempDir dir;
    TnDomain domain("render", "west", 3);
    domain.archiveXML(dir.file("d.xml").c_str());
    domain.archive(dir.file("d.bin").c_str());
    TnMessage wrapped(2);
    wrapped.content(new TnDomain("wrapped"));
    wrapped.archive(dir.file("m.bin").c_str());

    support::StandInSupervisor peer;
    ASSERT_TRUE(peer.start(0, 0));
    TnMessage expected(401);
    expected.content(new TnDomain("standin", "", 1));
    expected.packXML();
    const std::string reply = std::string(expected.packContents(), expected.packSize()) + "\n";

    ToolRun tcp = ToolRun::tnmsg({"send", at(peer.tcpport()), "--tag", "401", "--content", dir.file("d.xml")});
    EXPECT_EQ(tcp.status, 0) << tcp.err;
    EXPECT_EQ(tcp.out, reply);
    ToolRun udp = ToolRun::tnmsg({"send", at(peer.udpport()), "--udp", "--tag", "401", "--content",
                                  dir.file("d.bin"), "--type", "domain"});
    EXPECT_EQ(udp.status, 0) << udp.err;
    EXPECT_EQ(udp.out, reply);
    EXPECT_EQ(ToolRun::tnmsg({"send", at(peer.tcpport()), "--tag", "402", "--content", dir.file("m.bin")}).status, 0);

    const auto seen = peer.received();
    ASSERT_EQ(seen.size(), 3u);
    for (const auto& s : seen) {
        EXPECT_EQ(s.user, login().c_str());
        if (support::inPrivateSystem()) {
            EXPECT_EQ(s.tarndomain, "testfarm");
            EXPECT_EQ(s.tarnregion, "north");
        }
    }
    EXPECT_FALSE(seen[0].udp);
    EXPECT_EQ(seen[0].contentname, "render");
    EXPECT_TRUE(seen[1].udp);
    EXPECT_EQ(seen[1].contentname, "render");
    // An archived message lends its content.
    EXPECT_EQ(seen[2].contentname, "wrapped");
}

TEST(TnMsgSend, SilenceIsReportedAndNobodyListeningFails) {
    support::StandInSupervisor quiet;
    ASSERT_TRUE(quiet.start(0, 0));
    quiet.answer(support::StandInSupervisor::kSilent);
    for (bool udp : {false, true}) {
        const std::string where = at(udp ? quiet.udpport() : quiet.tcpport());
        std::vector<std::string> args = {"send", where, "--tag", "9", "--timeout", "300"};
        if (udp) args.push_back("--udp");
        ToolRun r = ToolRun::tnmsg(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("INFO: sent to " + where + "; no reply - ", 0), 0u) << r.err;
    }
    // Once it is gone, nobody listens on its port.
    const std::string closed = at(quiet.tcpport());
    quiet.stop();
    ToolRun refused = ToolRun::tnmsg({"send", closed, "--tag", "9", "--timeout", "2000"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "ERROR: cannot send to " + closed + " - unable to connect to host.\n");
    ToolRun missing = ToolRun::tnmsg({"send", closed, "--tag", "9", "--content", "/nonexistent.xml"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("ERROR: /nonexistent.xml: ", 0), 0u);
}

TEST(TnMsgFind, ConfiguredSupervisorsOrThoseThatAnswer) {
    if (!support::inPrivateSystem()) GTEST_SKIP() << "discovery broadcasts: needs the private system";
    support::StandInSupervisor supervisor;
    ASSERT_TRUE(supervisor.start(0, 0, true));
    support::writeFile("/etc/tn.conf", "tn_domain = testfarm\nsupervisor_port = " +
                                           std::to_string(supervisor.udpport()) + "\n");
    ToolRun found = ToolRun::tnmsg({"find", "--force"});
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "127.0.0.1\n");
    ASSERT_GE(supervisor.count(), 1);
    EXPECT_EQ(supervisor.received()[0].tag, 401);
    EXPECT_EQ(supervisor.received()[0].contentname, "testfarm");

    supervisor.stop();
    ToolRun nobody = ToolRun::tnmsg({"find", "--force"});
    EXPECT_EQ(nobody.status, 1);
    EXPECT_EQ(nobody.err, "ERROR: no supervisor answered the discovery.\n");
    support::writeFile("/etc/tn.conf", "supervisor_host = \"alpha, beta:6000\"\n");
    EXPECT_EQ(ToolRun::tnmsg({"find"}).out, "alpha\nbeta:6000\n");
}

// A program of the build started in the background, its output dropped, ended by SIGTERM.
class Background {
public:
    Background(const std::string& program, const std::vector<std::string>& args) {
        pid_ = fork();
        if (pid_ == 0) {
            // A group of its own: vnd passes its signals on to its process group.
            setpgid(0, 0);
            if (!freopen("/dev/null", "w", stdout)) _exit(126);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    ~Background() { stop(); }
    // Whether it is still running after ms.
    bool running(int ms) {
        usleep(ms * 1000);
        if (pid_ > 0 && waitpid(pid_, &status_, WNOHANG) != pid_) return true;
        pid_ = 0;
        return false;
    }
    int stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, &status_, 0);
            pid_ = 0;
        }
        return status_;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

bool built(const std::string& program) { return access((support::buildDir() + "/" + program).c_str(), X_OK) == 0; }

TEST(TnMsgAgainstPrograms, VndTakesTheMessageWithoutAnswering) {
    if (!support::inPrivateSystem()) GTEST_SKIP() << "vnd binds port 50005: needs the private system";
    if (!built("vnd")) GTEST_SKIP() << "no vnd in this build";
    Background vnd(support::buildDir() + "/vnd", {});
    if (!vnd.running(1000)) GTEST_SKIP() << "this vnd does not serve";
    ToolRun tcp;
    // The pool takes a moment to come up: the first tries may find the port not yet open.
    for (int i = 0; i < 50; ++i) {
        tcp = ToolRun::tnmsg({"send", "127.0.0.1:50005", "--tag", "1", "--timeout", "2000"});
        if (tcp.status == 0) break;
        usleep(100 * 1000);
    }
    EXPECT_EQ(tcp.status, 0) << tcp.err;
    EXPECT_EQ(tcp.out, "");
    EXPECT_EQ(tcp.err.rfind("INFO: sent to 127.0.0.1:50005; no reply - ", 0), 0u) << tcp.err;
    ToolRun udp = ToolRun::tnmsg({"send", "127.0.0.1:50005", "--udp", "--tag", "1", "--timeout", "500"});
    EXPECT_EQ(udp.status, 0) << udp.err;
    EXPECT_NE(udp.err.find("no reply - udp receive socket timed out."), std::string::npos) << udp.err;
    const int status = vnd.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
