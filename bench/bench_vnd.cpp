// The daemon as its clients see it: requests per second through vnd (connect, one framed
// message, the daemon reads it and closes) with 1 and with 8 parallel clients, and the p50 and
// p99 latency of one request. By default it starts the vnd built next to it in a private mount
// and network namespace (root only), so port 50005 of the machine is left alone; with --attach
// it measures a vnd already listening on 127.0.0.1:50005 instead. Traffic goes to 127.0.0.1
// only, for a bounded time (--seconds=N per run, 3 by default).
//
//   bench_vnd [--attach] [--seconds=N]

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "protocol/TnConnection.h"
#include "protocol/TnMessage.h"
#include "support/PrivateSystem.h"

namespace {

using Clock = std::chrono::steady_clock;

const int kPort = 50005;

std::string besideMe(const char* name) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + name;
}

// One request: true when the daemon read it and closed the connection.
bool once(const TnMessage& packed) {
    TnConnection c(TnString("127.0.0.1"), kPort, 1, 10000);
    if (!c.active() || c.send(packed.packContents(), packed.packSize()) <= 0) return false;
    int length = 0;
    char* answer = c.receive(length);
    delete[] answer;
    return !answer && c.error().integervalue() == 16;
}

pid_t startDaemon() {
    std::string why;
    if (!support::enterPrivateSystem(&why)) {
        printf("bench_vnd: skipped, no private system (%s); try --attach\n", why.c_str());
        return 0;
    }
    std::string program = besideMe("vnd");
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Ready once its quiet pool has been forked, a second after it starts.
    for (int i = 0; i < 50; ++i) {
        usleep(100000);
        TnConnection probe(TnString("127.0.0.1"), kPort, 1, 1000);
        if (probe.active() && i >= 15) return pid;
    }
    printf("bench_vnd: %s did not start\n", program.c_str());
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

void run(int clients, double seconds, const TnMessage& packed) {
    std::vector<std::vector<double>> latencies(clients);
    std::atomic<long> failures(0);
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            while (Clock::now() < end) {
                auto t0 = Clock::now();
                if (once(packed))
                    latencies[t].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
                else
                    ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> all;
    for (auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    auto pct = [&](double p) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, size_t(p * all.size()))]; };
    printf("vnd connect-frame-close, %d client%s: %8.0f requests/s  p50 %.3f ms  p99 %.3f ms  (%zu served, %ld failed, %.1f s)\n",
           clients, clients == 1 ? " " : "s", all.size() / elapsed, pct(0.50), pct(0.99), all.size(),
           failures.load(), elapsed);
}

}  // namespace

int main(int argc, char** argv) {
    bool attach = false;
    double seconds = 3;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--attach"))
            attach = true;
        else if (!strncmp(argv[i], "--seconds=", 10))
            seconds = std::min(60.0, std::max(0.1, atof(argv[i] + 10)));
        // Options meant for the other benchmark programs (--benchmark_...) are ignored.
    }
    pid_t daemon = attach ? 0 : startDaemon();
    if (daemon < 0) return 1;
    if (!attach && daemon == 0) return 0;

    TnMessage request(3);
    request.tarndomain("farm");
    request.pack();
    for (int clients : {1, 8}) run(clients, seconds, request);

    if (daemon > 0) {
        kill(-daemon, SIGKILL);
        waitpid(daemon, nullptr, 0);
    }
    return 0;
}
