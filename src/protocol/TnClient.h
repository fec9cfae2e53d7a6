#ifndef TN_PROTOCOL_TNCLIENT_H
#define TN_PROTOCOL_TNCLIENT_H

#include "config/TnClientConfig.h"
#include "core/TnBase.h"
#include "core/TnString.h"
#include "core/TnTime.h"
#include "diag/TnError.h"
#include "protocol/TnDomain.h"
#include "protocol/TnHostnameList.h"
#include "protocol/TnMacAddress.h"
#include "protocol/TnMessage.h"
#include "protocol/TnMessageList.h"

class TnConnection;

// How a program of the farm talks to a supervisor or a worker. Every exchange stamps the
// outgoing message with who sends it (user, domain, MAC address, farm domain and region),
// opens its own connection, sends one frame, reads at most one frame back and closes.
//
// The supervisor is found in this order: the explicit one (setSupervisor), the configured
// hosts starting at a random one, the host cached by an earlier discovery in the temporary
// directory, and a UDP broadcast discovery. A supervisor may answer with a redirect (tag 7)
// naming another one, which is then asked on the same port.
//
// A refused conversation ("max connections", tag 5) or an empty answer (tag 0) costs a
// random pause of a few seconds, so that many clients turned away together do not come
// back together. Failures are return values with the connection's error kept in error().
class TnClient : public TnBase {
public:
    static constexpr int kTypeCode = 74;

    // Message tags the client sends or reads.
    enum Tag { kEmpty = 0, kRefused = 5, kRedirect = 7, kTimeRequest = 107, kDiscover = 401, kJoinDomain = 402 };

    static constexpr int kTransmitTimeout = 30000;
    static constexpr int kPollTimeout = 5000;
    static constexpr int kPollSends = 6;
    static constexpr int kFindTimeout = 50;
    static constexpr int kFindRounds = 100;
    static constexpr int kMeetTimeout = 4;
    // Answers to one poll that are read at most.
    static constexpr int kMaxPollReplies = 4096;
    // A cached discovery is trusted this long, in seconds.
    static constexpr int kCacheLifetime = 600;
    // A cache file longer than this cannot hold a host name and is not read.
    static constexpr int kMaxCacheBytes = 1024;

    // Seeds the process's random generator with the process id and reads the configuration.
    TnClient();
    ~TnClient() override;
    TnClient(const TnClient&) = delete;
    TnClient& operator=(const TnClient&) = delete;

    int type() const override { return kTypeCode; }
    virtual TnString nametag() const { return "TnClient"; }

    // Single exchanges. An empty host gives 0 at once. transmit and telegram answer 1 when
    // the send moved bytes; converse and poll answer 1 when a reply other than an empty one
    // or a refusal came back.
    int transmit(const TnString& host, int port, TnMessage& message);
    int converse(const TnString& host, int port, TnMessage& request, TnMessage& reply);
    int telegram(const TnString& host, int port, TnMessage& message);
    int broadcast(int port, TnMessage& message);
    int poll(int port, TnMessage& request, TnMessage& reply);
    // Every answer to one broadcast, until the answers stop; the list owns them.
    int poll(int port, TnMessage& request, TnMessageList& replies);

    // The same with a worker, on the configured worker port.
    int transmitWorker(const TnString& host, TnMessage& message);
    int telegramWorker(const TnString& host, TnMessage& message);
    int converseWorker(const TnString& host, TnMessage& request, TnMessage& reply);
    int converseWorkerWithRetries(const TnString& host, TnMessage& request, TnMessage& reply, int retries);

    // The same with the supervisor, found as described above.
    int converseSupervisor(TnMessage& request, TnMessage& reply);
    int converseSupervisor(const TnString& host, TnMessage& request, TnMessage& reply);
    int converseSubSupervisor(TnMessage& request, TnMessage& reply);
    int converseSubSupervisor(const TnString& host, TnMessage& request, TnMessage& reply);
    int converseSubSupervisorWithRetries(TnMessage& request, TnMessage& reply, int retries);
    int transmitSupervisor(TnMessage& message);
    int telegramSupervisor(TnMessage& message);
    int telegramSubSupervisor(TnMessage& message);

    // Says request to every configured supervisor, answers ignored; 0 when none is configured.
    int meetSupervisor(TnMessage& request, TnMessage& reply);
    // Supervisors answering a discovery broadcast, or the configured ones unless force.
    int findSupervisor(TnHostnameList& found, bool force);
    // Asks a supervisor which farm domain to belong to; only while none is known.
    int joinDomain(TnDomain& domain);

    int conversetimeout() const { return conversetimeout_; }
    void conversetimeout(int ms) { conversetimeout_ = ms; }
    bool rejected() const { return rejected_; }
    const TnError& error() const { return error_; }
    const TnString& lastcontact() const { return lastcontact_; }
    TnClientConfig& config() { return config_; }
    TnHostnameList& supe_list() { return config_.supervisor_hosts(); }
    TnString logpath() const { return config_.client_logpath(); }
    const TnString& supervisor() const { return supervisor_; }
    void setSupervisor(const TnString& host) { supervisor_ = host; }
    const TnString& domain() const { return domain_; }
    void setDomain(const TnString& name) { domain_ = name; }

    static TnTime currenttime();
    static TnMacAddress currentmacaddress();
    // The login name of the real user; empty (and logged) when the system has none.
    static TnString currentuser();
    // The configured client_host_domain, else the system's domain name ("." for none).
    static TnString currentdomain();

    // Where discovery caches its answer: the temporary directory, "/supervisor_", the user,
    // ".tmp".
    static TnString cachefile();

    // Every pause of the client goes through here. A hook set here receives the seconds
    // instead of sleeping (tests record them); null brings the real pause back.
    using PauseHook = void (*)(int seconds);
    static void pausehook(PauseHook hook);
    static void pause(int seconds);

private:
    enum Exchange { kConverse, kTransmit, kTelegram };

    void _stamp(TnMessage& message) const;
    // The client's farm domain, else the configured one.
    const TnString& _farmdomain() const;
    // converse, telling the tag of the reply (-1 when none arrived).
    int _converse(const TnString& host, int port, TnMessage& request, TnMessage& reply, int& tag);
    int _telegram(const TnString& host, int port, TnMessage& message);
    char* _pollfirst(TnConnection& c, TnMessage& request, int& length);
    int _exchange(Exchange how, const TnString& host, int port, TnMessage& request, TnMessage* reply,
                  bool& redirected);
    int _resolve(Exchange how, int port, TnMessage& request, TnMessage* reply);
    int _follow(int port, TnMessage& request, TnMessage& reply);
    bool _cached(TnString& host) const;
    bool _discover(int port, TnString& host);
    int _firsthost() const;
    int _retries(bool worker, const TnString& host, TnMessage& request, TnMessage& reply, int retries);
    void _pauseafter(int tag, int emptyspan);

    TnString supervisor_;
    TnString domain_;
    TnClientConfig config_;
    int conversetimeout_ = 30000;
    bool rejected_ = false;
    TnString lastcontact_;
    TnError error_;
};

#endif
