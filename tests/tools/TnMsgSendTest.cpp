#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/TnConnection.h"
#include "protocol/TnDomain.h"
#include "protocol/TnHostname.h"
#include "protocol/TnMessage.h"
#include "server/TnServer.h"
#include "support/PrivateSystem.h"
#include "support/Support.h"
#include "tools/ToolRun.h"

namespace {

const int kLoopback = 0x7F000001;

// A peer for tnmsg send on loopback TCP and UDP ports of its own: answers each request with
// the tag plus 1000 and a host name, or stays silent; keeps what it received.
class Responder {
public:
    struct Seen {
        int tag;
        bool udp;
        std::string user, mac, tarndomain, tarnregion, content;
    };

    explicit Responder(bool silent) : silent_(silent) {
        TnServer::bindretry(0, 0);
        server_.timeout(50);
        server_.addport(kLoopback, 0, TnServer::kTcp);
        server_.addport(kLoopback, 0, TnServer::kUdp);
        open_ = server_.openport() == 1;
        TnServer::resetbindretry();
        if (open_) thread_ = std::thread([this] { serve(); });
    }
    ~Responder() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool open() const { return open_; }
    std::string at(int row) const { return "127.0.0.1:" + std::to_string(server_.port(row)); }
    std::vector<Seen> seen() {
        std::lock_guard<std::mutex> hold(mutex_);
        return seen_;
    }

private:
    void serve() {
        while (!stop_) {
            TnConnection* c = server_.service(-1);
            if (!c) continue;
            int length = 0;
            char* frame = c->receive(length);
            if (frame) answer(*c, frame, length);
            delete[] frame;
            delete c;
        }
    }
    void answer(TnConnection& c, const char* frame, int length) {
        TnMessage request;
        request.unpack(frame, length);
        Seen s{request.tag(), c.type() == TnConnection::kUdp, request.user().value(),
               request.macaddress().value().value(), request.tarndomain().value(), request.tarnregion().value(), ""};
        if (auto* d = dynamic_cast<TnDomain*>(request.content())) s.content = d->value().value();
        {
            std::lock_guard<std::mutex> hold(mutex_);
            seen_.push_back(s);
        }
        if (silent_) return;
        TnMessage reply(request.tag() + 1000);
        reply.content(new TnHostname("answer", 7));
        reply.pack();
        c.send(reply.packContents(), reply.packSize());
    }

    bool silent_;
    bool open_ = false;
    TnServer server_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Seen> seen_;
};

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

    Responder peer(false);
    ASSERT_TRUE(peer.open());
    TnMessage expected(1401);
    expected.content(new TnHostname("answer", 7));
    expected.packXML();
    const std::string reply = std::string(expected.packContents(), expected.packSize()) + "\n";

    ToolRun tcp = ToolRun::tnmsg({"send", peer.at(0), "--tag", "401", "--content", dir.file("d.xml")});
    EXPECT_EQ(tcp.status, 0) << tcp.err;
    EXPECT_EQ(tcp.out, reply);
    ToolRun udp = ToolRun::tnmsg({"send", peer.at(1), "--udp", "--tag", "401", "--content", dir.file("d.bin"),
                                  "--type", "domain"});
    EXPECT_EQ(udp.status, 0) << udp.err;
    EXPECT_EQ(udp.out, reply);
    EXPECT_EQ(ToolRun::tnmsg({"send", peer.at(0), "--tag", "2", "--content", dir.file("m.bin")}).status, 0);

    const std::vector<Responder::Seen> seen = peer.seen();
    ASSERT_EQ(seen.size(), 3u);
    for (const auto& s : seen) {
        EXPECT_EQ(s.user, login());
        EXPECT_EQ(s.mac, TnConnection::primarymacaddress().value().value());
        if (support::inPrivateSystem()) {
            EXPECT_EQ(s.tarndomain, "testfarm");
            EXPECT_EQ(s.tarnregion, "north");
        }
    }
    EXPECT_EQ(seen[0].tag, 401);
    EXPECT_FALSE(seen[0].udp);
    EXPECT_EQ(seen[0].content, "render");
    EXPECT_TRUE(seen[1].udp);
    EXPECT_EQ(seen[1].content, "render");
    // An archived message lends its content.
    EXPECT_EQ(seen[2].content, "wrapped");
}

TEST(TnMsgSend, SilenceIsReportedAndNobodyListeningFails) {
    Responder quiet(true);
    ASSERT_TRUE(quiet.open());
    for (int row : {0, 1}) {
        std::vector<std::string> args = {"send", quiet.at(row), "--tag", "9", "--timeout", "300"};
        if (row == 1) args.push_back("--udp");
        ToolRun r = ToolRun::tnmsg(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("INFO: sent to " + quiet.at(row) + "; no reply - ", 0), 0u) << r.err;
    }
    // A port nobody listens on: taken and given back at once.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(kLoopback);
    socklen_t len = sizeof sa;
    bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    close(fd);
    const std::string closed = "127.0.0.1:" + std::to_string(ntohs(sa.sin_port));
    ToolRun refused = ToolRun::tnmsg({"send", closed, "--tag", "9", "--timeout", "2000"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "ERROR: cannot send to " + closed + " - unable to connect to host.\n");
    ToolRun missing = ToolRun::tnmsg({"send", closed, "--tag", "9", "--content", "/nonexistent.xml"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("ERROR: /nonexistent.xml: ", 0), 0u);
}

// A program of the build started in the background, ended by SIGTERM.
class Background {
public:
    Background(const std::string& program, const std::vector<std::string>& args) {
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = fdopen(out[0], "r");
    }
    ~Background() {
        stop();
        if (out_) fclose(out_);
    }
    // The next line of its standard output, without the line feed.
    std::string line() {
        char buffer[256];
        if (!out_ || !fgets(buffer, sizeof buffer, out_)) return "";
        std::string text = buffer;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    // Whether it is still running after ms.
    bool running(int ms) {
        for (int waited = 0; waited < ms; waited += 50) {
            if (pid_ <= 0 || waitpid(pid_, &status_, WNOHANG) == pid_) {
                pid_ = 0;
                return false;
            }
            usleep(50 * 1000);
        }
        return true;
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
    FILE* out_ = nullptr;
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

TEST(TnMsgAgainstPrograms, StandInSupervisorAnswersAndIsFound) {
    if (!support::inPrivateSystem()) GTEST_SKIP() << "discovery broadcasts: needs the private system";
    if (!built("standin")) GTEST_SKIP() << "no stand-in supervisor in this build";
    Background standin(support::buildDir() + "/standin", {"--udp", "0", "--broadcast", "--domain", "testfarm"});
    int tcp = 0, udp = 0;
    ASSERT_EQ(sscanf(standin.line().c_str(), "standin tcp %d udp %d", &tcp, &udp), 2);
    support::writeFile("/etc/tn.conf", "tn_domain = testfarm\nsupervisor_port = " + std::to_string(udp) + "\n");

    ToolRun time = ToolRun::tnmsg({"send", "127.0.0.1", "--tag", "107"});
    EXPECT_EQ(time.status, 0) << time.err;
    EXPECT_NE(time.out.find("<tag>107</tag>"), std::string::npos) << time.out;
    EXPECT_NE(time.out.find("<object type = 'time'>"), std::string::npos) << time.out;
    ToolRun found = ToolRun::tnmsg({"find", "--force"});
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "127.0.0.1\n");
    // Configured supervisors are the answer unless --force.
    support::writeFile("/etc/tn.conf", "supervisor_host = alpha, beta:6000\n");
    EXPECT_EQ(ToolRun::tnmsg({"find"}).out, "alpha\nbeta:6000\n");

    standin.stop();
    std::string received;
    for (std::string l = standin.line(); !l.empty(); l = standin.line()) received += l + "\n";
    EXPECT_NE(received.find("received 107 tcp testfarm\n"), std::string::npos) << received;
    EXPECT_NE(received.find("received 401 udp testfarm\n"), std::string::npos) << received;
}

}  // namespace
