#include "system/VndProcess.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <sstream>
#include <thread>

#include "protocol/TnCompress.h"
#include "protocol/TnConnection.h"
#include "support/PrivateSystem.h"

namespace {

bool eventually(int ms, const std::function<bool()>& done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
    }
}

struct Proc {
    pid_t pid;
    char state;
    pid_t ppid, pgrp;
};

// Every process, as /proc/<pid>/stat tells it.
std::vector<Proc> processes() {
    std::vector<Proc> out;
    DIR* dir = opendir("/proc");
    while (dirent* entry = dir ? readdir(dir) : nullptr) {
        Proc p{atoi(entry->d_name), 0, 0, 0};
        std::string stat = support::readFile("/proc/" + std::string(entry->d_name) + "/stat");
        size_t close = stat.rfind(')');  // the command name may hold blanks and parentheses
        std::istringstream rest(close == std::string::npos ? "" : stat.substr(close + 1));
        if (p.pid > 0 && rest >> p.state >> p.ppid >> p.pgrp) out.push_back(p);
    }
    if (dir) closedir(dir);
    return out;
}

}  // namespace

VndProcess::VndProcess(const std::vector<std::string>& args, bool freshNetwork) {
    const std::string program = support::buildDir() + "/vnd", output = out_.file("output");
    if (!support::inPrivateSystem()) failure_ = "needs the private system";
    else if (access(program.c_str(), X_OK) != 0) failure_ = "no program " + program;
    if (!failure_.empty() || (freshNetwork && !support::freshNetwork(&failure_))) return;
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        setsid();
        int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(127);
        for (int other = 3; other < 1024; ++other) close(other);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid_ < 0) failure_ = std::string("fork: ") + strerror(errno);
}

VndProcess::~VndProcess() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGKILL);
    if (!reaped_) waitpid(pid_, nullptr, 0);
    waitGroupGone(5000);
    // In a sanitizer build every process of the pool reports here.
    const std::string out = output();
    if (out.find("Sanitizer") != std::string::npos || out.find("runtime error") != std::string::npos)
        ADD_FAILURE() << out;
}

std::vector<pid_t> VndProcess::children() const {
    std::vector<pid_t> out;
    for (const Proc& p : processes())
        if (p.ppid == pid_ && p.state != 'Z') out.push_back(p.pid);
    return out;
}

bool VndProcess::waitChildren(size_t n, int ms) const {
    return eventually(ms, [&] { return children().size() == n; });
}

bool VndProcess::waitOutput(const std::string& text, int ms) const {
    return eventually(ms, [&] { return output().find(text) != std::string::npos; });
}

int VndProcess::waitExit(int ms) {
    int status = 0;
    if (pid_ <= 0 || reaped_ || !eventually(ms, [&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) return -1;
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool VndProcess::waitGroupGone(int ms) const {
    return eventually(ms, [&] {
        for (const Proc& p : processes())
            if (p.pgrp == pid_ && p.state != 'Z') return false;
        return true;
    });
}

bool VndProcess::alive() const { return !reaped_ && groupOf(pid_) == pid_; }

pid_t groupOf(pid_t pid) {
    for (const Proc& p : processes())
        if (p.pid == pid) return p.state == 'Z' ? -1 : p.pgrp;
    return -1;
}

void VndSystem::SetUp() {
    if (!support::inPrivateSystem()) GTEST_SKIP() << "needs the private system";
    unlink("/etc/tn.conf");
    unlink("/var/log/vndlog");
}

void VndSystem::TearDown() { unlink("/etc/tn.conf"); }

void VndSystem::started(VndProcess& vnd) {
    ASSERT_EQ(vnd.failure(), "");
    ASSERT_TRUE(vnd.waitChildren(10, 5000)) << vnd.children().size() << "\n" << vnd.output();
}

Result request(const TnMessage& message, int timeout) {
    TnConnection c(TnString("127.0.0.1"), VndProcess::kPort, 1, timeout);
    if (!c.active()) return {Outcome::kNoConnection, -1};
    TnMessage m(message);
    m.pack();
    if (c.send(m.packContents(), m.packSize()) <= 0) return {Outcome::kNotSent, -1};
    int length = 0;
    char* data = c.receive(length);
    if (data) {
        TnMessage answer;
        answer.unpack(data, length);
        delete[] data;
        return {Outcome::kAnswered, answer.tag()};
    }
    int error = c.error().integervalue();  // 16: the stream ended before a frame
    return {error == 16 ? Outcome::kServed : error == 15 ? Outcome::kTimedOut : Outcome::kReset, -1};
}

int dial() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(VndProcess::kPort);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

std::string tcpframe(const TnMessage& message) {
    TnMessage m(message);
    m.pack();
    int z = 0;
    char* compressed = TnCompress().compact(z, m.packContents(), m.packSize());
    char header[9];
    TnConnection::tcpheader(header, z, m.packSize());
    std::string out = std::string(header, sizeof header) + std::string(compressed, static_cast<size_t>(z));
    delete[] compressed;
    return out;
}

bool closedByPeer(int fd, int ms) {
    return eventually(ms, [&] {
        pollfd p = {fd, POLLIN, 0};
        char buf[4096];
        ssize_t n = poll(&p, 1, 20) > 0 ? recv(fd, buf, sizeof buf, MSG_DONTWAIT) : 1;
        return n == 0 || (n < 0 && errno == ECONNRESET);
    });
}

pid_t holder(pid_t group, int fd, int ms) {
    sockaddr_in local;
    socklen_t len = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len);
    char ends[32];  // the accepted end, as the kernel lists it: local port 50005, peer 127.0.0.1 and our port
    snprintf(ends, sizeof ends, ":%04X 0100007F:%04X", VndProcess::kPort, ntohs(local.sin_port));
    pid_t found = -1;
    eventually(ms, [&] {
        std::istringstream table(support::readFile("/proc/net/tcp"));
        std::string line, skip, inode;
        while (std::getline(table, line)) {
            if (line.find(ends) == std::string::npos) continue;
            std::istringstream words(line);
            for (int i = 0; i < 9; ++i) words >> skip;  // inode is the tenth column; 0 until accepted
            if (!(words >> inode) || inode == "0") return false;
        }
        if (inode.empty()) return false;
        for (const Proc& p : processes()) {
            if (p.pgrp != group) continue;
            std::string dir = "/proc/" + std::to_string(p.pid) + "/fd/";
            DIR* d = opendir(dir.c_str());
            while (dirent* e = d ? readdir(d) : nullptr) {
                char link[64] = {0};
                if (readlink((dir + e->d_name).c_str(), link, sizeof link - 1) > 0 &&
                    std::string(link) == "socket:[" + inode + "]")
                    found = p.pid;
            }
            if (d) closedir(d);
        }
        return found > 0;
    });
    return found;
}
