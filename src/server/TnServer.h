#ifndef TN_SERVER_TNSERVER_H
#define TN_SERVER_TNSERVER_H

#include <sys/select.h>

#include "core/TnBase.h"
#include "core/TnString.h"
#include "diag/TnError.h"
#include "protocol/TnConnection.h"
#include "protocol/TnMacAddress.h"
#include "protocol/TnMacAddressList.h"

// The lowest layer of every daemon: a table of listening ports, their openers, one wait over
// all of them and the step that turns a ready port into a connection. It knows nothing of
// messages.
//
// Rows whose service mask has bit 2 are kept for callers that ask for exactly that bit (the
// rejection path); every other caller is served ordinary rows first.
class TnServer : public TnBase {
public:
    static constexpr int kMaxPorts = 128;
    static constexpr int kBacklog = 255;

    // Port types.
    enum PortType { kTcp = 1, kUdp = 2, kRawTcp = 4, kSslTcp = 5, kMulticastUdp = 6, kSslRawTcp = 7 };

    TnServer();
    explicit TnServer(int port);
    TnServer(int address, int port);
    ~TnServer() override;
    TnServer(const TnServer&) = delete;
    TnServer& operator=(const TnServer&) = delete;

    int type() const override { return 85; }

    // Appends a row (socket still closed); 0 when the table is full.
    int addport(int address, int group, int port, int type, int mask);
    int addport(int address, int group, int port, int type);
    int addport(int address, int port, int type);

    // Opens every row in order: 1 when all are open (or skipped), 0 at the first that fails.
    int openport();
    int openport(int address, int group, int port, int type);
    int openport(int address, int port, int type);
    int openport(int address, int port);
    int openport(int port);

    int release();
    int cleanup();

    // Non-blocking: whether a row sharing a bit with mask has something to read.
    bool ready(int mask);
    // Waits up to the time-out for a ready row and returns a connection for it (the caller's),
    // or null.
    TnConnection* service(int mask);

    void timeout(int ms) { timeout_ = ms; }
    int timeout() const { return timeout_; }
    bool active() const { return active_; }
    int status() const { return status_; }
    const TnError& error() const { return error_; }
    int length() const { return length_; }
    int address(int i) const { return inRange(i) ? address_[i] : 0; }
    int port(int i) const { return inRange(i) ? port_[i] : 0; }
    int sock(int i) const { return inRange(i) ? socket_[i] : -1; }
    TnString porttype(int i) const;
    const TnString& host() const { return host_; }
    const TnMacAddress& macaddr() const { return macaddress_; }
    const TnMacAddressList& macaddrs() const { return macaddresses_; }
    void printMemUsage() {}

    // How long the openers keep retrying a busy port, and how long they sleep between tries:
    // 600 and 10 seconds. Tests shorten both; resetbindretry() brings the defaults back.
    static void bindretry(int budgetMs, int pauseMs);
    static void resetbindretry() { bindretry(kBindBudgetMs, kBindPauseMs); }

protected:
    static constexpr int kBindBudgetMs = 600 * 1000;
    static constexpr int kBindPauseMs = 10 * 1000;

    // The blocking wait behind service(): the index of the chosen row, or -1 (failure) or -2
    // (nothing ready), also kept as the status.
    int _ready(int mask);
    bool _opentcp(int row, bool secured);
    bool _openudp(int row);
    bool _bind(int fd, int row, int failure, const char* proto, bool withError);
    bool _adopt(int fd, int row);
    int _readset(fd_set& set) const;
    void _hostname();

private:
    bool inRange(int i) const { return i >= 0 && i < length_; }
    void failErrno(int code);
    void log(const char* text);

    static int bindBudgetMs_;
    static int bindPauseMs_;

    TnString host_;
    TnError error_;
    int timeout_ = 30000;
    bool active_ = false;
    int backlog_ = kBacklog;
    int address_[kMaxPorts];
    int group_[kMaxPorts];
    int port_[kMaxPorts];
    int socket_[kMaxPorts];
    int type_[kMaxPorts];
    int mask_[kMaxPorts];
    int length_ = 0;
    int status_ = 0;
    TnMacAddress macaddress_;
    TnMacAddressList macaddresses_;
};

// Memory of the calling process in KiB: virtual size and resident set. Both 0 when the
// figures cannot be read.
void process_mem_usage(double& vm, double& rss);

#endif
