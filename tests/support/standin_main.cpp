// The stand-in supervisor as a program of its own, for tests that need it in another process:
//
//   standin [--tcp PORT] [--udp PORT] [--broadcast] [--redirect HOST:PORT] [--refuse]
//           [--empty] [--silent] [--domain NAME] [--skew SECONDS]
//
// --tcp 0 (the default) picks a free port; --udp 0 takes the TCP port's number. Once serving
// it prints "standin tcp PORT udp PORT" and serves until SIGTERM or SIGINT; then it prints
// one line per message received ("received TAG udp|tcp TARNDOMAIN") and exits 0.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "protocol/TnHostname.h"
#include "support/StandInSupervisor.h"

namespace {

int usage() {
    fprintf(stderr,
            "usage: standin [--tcp PORT] [--udp PORT] [--broadcast] [--redirect HOST:PORT] [--refuse] [--empty] "
            "[--silent] [--domain NAME] [--skew SECONDS]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int tcp = 0, udp = -1, skew = 0;
    bool broadcast = false;
    support::StandInSupervisor::Answer how = support::StandInSupervisor::kAnswer;
    TnString redirect, domain;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!strcmp(a, "--broadcast")) broadcast = true;
        else if (!strcmp(a, "--refuse")) how = support::StandInSupervisor::kRefuse;
        else if (!strcmp(a, "--empty")) how = support::StandInSupervisor::kEmpty;
        else if (!strcmp(a, "--silent")) how = support::StandInSupervisor::kSilent;
        else if (!next) return usage();
        else if (!strcmp(a, "--tcp")) tcp = atoi(argv[++i]);
        else if (!strcmp(a, "--udp")) udp = atoi(argv[++i]);
        else if (!strcmp(a, "--skew")) skew = atoi(argv[++i]);
        else if (!strcmp(a, "--domain")) domain = argv[++i];
        else if (!strcmp(a, "--redirect")) {
            redirect = argv[++i];
            how = support::StandInSupervisor::kRedirect;
        } else return usage();
    }

    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    // Blocked before the serving thread starts, so that only sigwait below sees them.
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    support::StandInSupervisor standin;
    if (!domain.empty()) standin.domain(TnDomain(domain, "", 1));
    if (!redirect.empty()) {
        TnHostname target;
        target.copy(redirect);
        standin.redirect(target.host(), target.port());
    }
    standin.skew(skew);
    standin.answer(how);
    if (!standin.start(tcp, udp, broadcast)) {
        fprintf(stderr, "standin: cannot open tcp %d udp %d\n", tcp, udp);
        return 1;
    }
    printf("standin tcp %d udp %d\n", standin.tcpport(), standin.udpport());
    fflush(stdout);

    int sig = 0;
    sigwait(&stopping, &sig);
    standin.stop();
    for (const auto& r : standin.received())
        printf("received %d %s %s\n", r.tag, r.udp ? "udp" : "tcp", r.tarndomain.value());
    fflush(stdout);
    return 0;
}
