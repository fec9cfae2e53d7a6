#include "support/StandInSupervisor.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "core/TnTime.h"
#include "protocol/TnConnection.h"
#include "protocol/TnHostname.h"
#include "protocol/TnMessage.h"
#include "server/TnServer.h"

namespace support {

namespace {

const int kLoopback = 0x7F000001;
std::atomic<int> arrivals{0};

// A port number free for UDP on address right now.
int freeUdpPort(int address) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return 0;
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(static_cast<uint32_t>(address));
    socklen_t len = sizeof sa;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
        port = ntohs(sa.sin_port);
    close(fd);
    return port;
}

}  // namespace

StandInSupervisor::StandInSupervisor() : domain_("standin", "", 1) {}

StandInSupervisor::~StandInSupervisor() { stop(); }

bool StandInSupervisor::start(int tcpPort, int udpPort, bool broadcast) {
    stop();
    // A busy port is a failed start here, not a wait of minutes.
    TnServer::bindretry(0, 0);
    bool opened = false;
    // Picking one number for both protocols can race with other programs: try a few.
    for (int attempt = 0; attempt < 20 && !opened; ++attempt) opened = open(tcpPort, udpPort, broadcast);
    TnServer::resetbindretry();
    if (!opened) return false;
    stop_ = false;
    thread_ = std::thread([this] { serve(); });
    return true;
}

bool StandInSupervisor::open(int tcpPort, int udpPort, bool broadcast) {
    const int udpAddress = broadcast ? 0 : kLoopback;
    if (udpPort == 0) {
        if (tcpPort == 0) tcpPort = freeUdpPort(udpAddress);
        udpPort = tcpPort;
    }
    server_.reset(new TnServer);
    server_->timeout(50);
    server_->addport(kLoopback, tcpPort, TnServer::kTcp);
    if (udpPort >= 0) server_->addport(udpAddress, udpPort, TnServer::kUdp);
    if (server_->openport() != 1) {
        server_.reset();
        return false;
    }
    tcpPort_ = server_->port(0);
    udpPort_ = udpPort >= 0 ? server_->port(1) : -1;
    return true;
}

void StandInSupervisor::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

void StandInSupervisor::serve() {
    while (!stop_) {
        TnConnection* c = server_->service(-1);
        if (!c) continue;
        handle(c);
        delete c;
    }
}

StandInSupervisor::Answer StandInSupervisor::nextAnswer() {
    std::lock_guard<std::mutex> hold(mutex_);
    Answer how = answer_;
    if (times_ > 0 && --times_ == 0) answer_ = kAnswer;
    return how;
}

void StandInSupervisor::handle(TnConnection* c) {
    c->timeout(2000);
    int length = 0;
    char* frame = c->receive(length);
    if (!frame) return;
    TnMessage request;
    request.unpack(frame, length);
    delete[] frame;

    Received r;
    r.sequence = ++arrivals;
    r.udp = c->type() == TnConnection::kUdp;
    r.tag = request.tag();
    r.user = request.user();
    r.domain = request.domain();
    r.tarndomain = request.tarndomain();
    r.tarnregion = request.tarnregion();
    r.contenttype = request.contenttype();
    if (request.content() && request.content()->type() == TnDomain::kTypeCode)
        r.contentname = static_cast<TnDomain*>(request.content())->value();

    Answer how = nextAnswer();
    TnMessage reply(request.tag());
    {
        std::lock_guard<std::mutex> hold(mutex_);
        received_.push_back(r);
        switch (how) {
        case kSilent: return;
        case kRefuse: reply.tag(5); break;
        case kEmpty: reply.tag(0); break;
        case kRedirect:
            reply.tag(7);
            reply.content(new TnHostname(redirectHost_, redirectPort_));
            break;
        case kAnswer:
            if (request.tag() == 107) {
                TnTime* now = new TnTime;
                now->setToLocalClock();
                now->value(now->value() + skew_);
                reply.content(now);
            } else if (request.tag() == 401 || request.tag() == 402) {
                reply.content(new TnDomain(domain_));
            }
            break;
        }
    }
    reply.pack();
    c->send(reply.packContents(), reply.packSize());
}

void StandInSupervisor::answer(Answer how, int times) {
    std::lock_guard<std::mutex> hold(mutex_);
    answer_ = how;
    times_ = times;
}

void StandInSupervisor::redirect(const TnString& host, int port) {
    std::lock_guard<std::mutex> hold(mutex_);
    redirectHost_ = host;
    redirectPort_ = port;
}

void StandInSupervisor::domain(const TnDomain& d) {
    std::lock_guard<std::mutex> hold(mutex_);
    domain_.copy(d);
}

std::vector<StandInSupervisor::Received> StandInSupervisor::received() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return received_;
}

int StandInSupervisor::count() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return static_cast<int>(received_.size());
}

bool StandInSupervisor::waitFor(int n, int ms) const {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (count() < n) {
        if (std::chrono::steady_clock::now() >= until) return false;
        usleep(5000);
    }
    return true;
}

void StandInSupervisor::forget() {
    std::lock_guard<std::mutex> hold(mutex_);
    received_.clear();
}

}  // namespace support
