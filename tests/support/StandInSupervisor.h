#ifndef TN_TESTS_SUPPORT_STANDINSUPERVISOR_H
#define TN_TESTS_SUPPORT_STANDINSUPERVISOR_H

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/TnString.h"
#include "protocol/TnDomain.h"

class TnServer;
class TnConnection;

namespace support {

// A supervisor in miniature for tests: it serves one TCP port on 127.0.0.1 and, when asked,
// one UDP port, in a thread of its own. It answers a time request (107) with its clock, a
// discovery (401) and a join request (402) with its domain, and any other message with an
// empty-content reply of the same tag; it can be told to refuse (5), to send nobody's
// answer (0), to redirect (7) or to stay silent instead. It keeps what it received.
class StandInSupervisor {
public:
    enum Answer { kAnswer, kRefuse, kEmpty, kRedirect, kSilent };

    struct Received {
        int sequence;  // order of arrival across every stand-in of the process
        bool udp;
        int tag;
        TnString user, domain, tarndomain, tarnregion;
        int contenttype;
        TnString contentname;  // the name of a domain content
    };

    StandInSupervisor();
    ~StandInSupervisor();
    StandInSupervisor(const StandInSupervisor&) = delete;
    StandInSupervisor& operator=(const StandInSupervisor&) = delete;

    // Opens TCP on tcpPort (0 picks a free one) and, unless udpPort is -1, UDP on udpPort
    // (0: the TCP port's number, as a supervisor has it). With broadcast the UDP port listens
    // on every address, where broadcasts arrive; otherwise on 127.0.0.1 only. Then serves.
    bool start(int tcpPort = 0, int udpPort = -1, bool broadcast = false);
    void stop();

    int tcpport() const { return tcpPort_; }
    int udpport() const { return udpPort_; }

    // How the next `times` messages are answered (-1: all of them); then kAnswer again.
    void answer(Answer how, int times = -1);
    void redirect(const TnString& host, int port);
    void domain(const TnDomain& d);
    // The clock it reports is the local one moved by this many seconds.
    void skew(int seconds) { skew_ = seconds; }

    std::vector<Received> received() const;
    int count() const;
    // Waits up to ms for at least n messages to have arrived.
    bool waitFor(int n, int ms) const;
    void forget();

private:
    bool open(int tcpPort, int udpPort, bool broadcast);
    void serve();
    void handle(TnConnection* c);
    Answer nextAnswer();

    std::unique_ptr<TnServer> server_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    int tcpPort_ = 0;
    int udpPort_ = -1;
    std::atomic<int> skew_{0};

    mutable std::mutex mutex_;
    Answer answer_ = kAnswer;
    int times_ = -1;
    TnString redirectHost_;
    int redirectPort_ = 0;
    TnDomain domain_;
    std::vector<Received> received_;
};

}  // namespace support

#endif
