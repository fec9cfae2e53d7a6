#include "protocol/TnClient.h"

#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/TnDefaults.h"
#include "diag/TnDebug.h"
#include "protocol/TnConnection.h"
#include "protocol/TnFile.h"
#include "protocol/TnHostname.h"

namespace {

TnClient::PauseHook pauseHook = nullptr;

// 1 to span seconds from the process's generator, spread so that clients turned away
// together come back apart.
int randomSeconds(int span) { return 1 + static_cast<int>(static_cast<long long>(rand()) * span / 2147483648LL); }

// An index in [0, n) from the process's generator.
int randomIndex(int n) { return static_cast<int>(static_cast<long long>(rand()) * n / 2147483648LL); }

void line(int bit, const TnString& text, bool mark = false) { tn_debug_line(bit, text, mark); }

// The content of a reply, when it is of the class its envelope announces and of the class
// the caller expects.
template <class T>
T* contentOf(const TnMessage& m) {
    TnPack* c = m.content();
    if (!c || c->type() != m.contenttype()) return nullptr;
    return dynamic_cast<T*>(c);
}

// Unpacks a received frame into a message that holds nothing of an earlier exchange.
void unpackInto(TnMessage& m, const char* frame, int length, const TnAddress& from) {
    m.clear();
    m.tag(TnClient::kEmpty);
    m.unpack(frame, length);
    m.address(from);
}

}  // namespace

TnClient::TnClient() { srand(static_cast<unsigned>(getpid())); }

TnClient::~TnClient() = default;

// ---- pauses --------------------------------------------------------------------------------

void TnClient::pausehook(PauseHook hook) { pauseHook = hook; }

void TnClient::pause(int seconds) {
    if (pauseHook)
        pauseHook(seconds);
    else
        TnTime::sleep_seconds(seconds);
}

void TnClient::_pauseafter(int tag, int emptyspan) { pause(randomSeconds(tag == kRefused ? 10 : emptyspan)); }

// ---- stamping ------------------------------------------------------------------------------

const TnString& TnClient::_farmdomain() const { return domain_.empty() ? config_.tn_domain() : domain_; }

void TnClient::_stamp(TnMessage& message) const {
    message.user(currentuser());
    message.domain(currentdomain());
    message.macaddress(currentmacaddress());
    message.tarndomain(_farmdomain());
    message.tarnregion(config_.tn_region());
    message.pack();
}

// ---- single exchanges ----------------------------------------------------------------------

int TnClient::transmit(const TnString& host, int port, TnMessage& message) {
    if (host.empty()) return 0;
    lastcontact_ = host;
    TnConnection c(host, port, TnConnection::kTcp, kTransmitTimeout);
    if (!c.active()) {
        error_ = c.error();
        return 0;
    }
    _stamp(message);
    int sent = c.send(message.packContents(), message.packSize());
    error_ = c.error();
    return sent > 0 ? 1 : 0;
}

int TnClient::converse(const TnString& host, int port, TnMessage& request, TnMessage& reply) {
    int tag = -1;
    return _converse(host, port, request, reply, tag);
}

int TnClient::_converse(const TnString& host, int port, TnMessage& request, TnMessage& reply, int& tag) {
    tag = -1;
    rejected_ = false;
    if (host.empty()) return 0;
    lastcontact_ = host;
    TnConnection c(host, port, TnConnection::kTcp, conversetimeout_);
    if (!c.active()) {
        line(TnDebug::kError, "ERROR: unable to establish " + c.stringtype() + " connection with " + host + " - " +
                                  c.error().value() + ".");
        error_ = c.error();
        return 0;
    }
    _stamp(request);
    if (c.send(request.packContents(), request.packSize()) <= 0) {
        line(TnDebug::kError, "ERROR: unable to transmit to " + host + " - " + c.error().value() + ".");
        error_ = c.error();
        return 0;
    }
    int length = 0;
    char* frame = c.receive(length);
    if (!frame) {
        line(TnDebug::kError, "ERROR: unable to receive from " + host + " - " + c.error().value() + ".");
        error_ = c.error();
        return 0;
    }
    unpackInto(reply, frame, length, c.address());
    delete[] frame;
    c.release();
    tag = reply.tag();
    if (tag != kEmpty && tag != kRefused) return 1;
    if (tag == kRefused) {
        line(TnDebug::kError, "ERROR: max connections reached for " + host + " - connection rejected.");
        rejected_ = true;
        error_ = c.error();
    }
    _pauseafter(tag, 10);
    return 0;
}

int TnClient::telegram(const TnString& host, int port, TnMessage& message) {
    if (host.empty()) return 0;
    return _telegram(host, port, message);
}

int TnClient::_telegram(const TnString& host, int port, TnMessage& message) {
    TnConnection c(host, port, TnConnection::kUdp, kTransmitTimeout);
    _stamp(message);
    int sent = c.send(message.packContents(), message.packSize());
    error_ = c.error();
    return sent > 0 ? 1 : 0;
}

// A UDP connection to the empty host sends to 255.255.255.255.
int TnClient::broadcast(int port, TnMessage& message) { return _telegram(TnString(), port, message); }

// Sends the request by broadcast until a first datagram comes back: that datagram, or null.
char* TnClient::_pollfirst(TnConnection& c, TnMessage& request, int& length) {
    _stamp(request);
    for (int i = 0; i < kPollSends; ++i) {
        if (c.send(request.packContents(), request.packSize()) <= 0) {
            line(TnDebug::kError, "ERROR: " + c.error().value() + ".");
            error_ = c.error();
            return nullptr;
        }
        char* frame = c.receive(length);
        if (frame) return frame;
    }
    line(TnDebug::kError, "ERROR: " + c.error().value() + ".");
    error_ = c.error();
    return nullptr;
}

int TnClient::poll(int port, TnMessage& request, TnMessage& reply) {
    rejected_ = false;
    TnConnection c(TnString(), port, TnConnection::kUdp, kPollTimeout);
    int length = 0;
    char* frame = _pollfirst(c, request, length);
    if (!frame) return 0;
    unpackInto(reply, frame, length, c.address());
    delete[] frame;
    c.release();
    int tag = reply.tag();
    if (tag != kEmpty && tag != kRefused) return 1;
    if (tag == kRefused) {
        line(TnDebug::kError, "ERROR: max connections reached.");
        error_ = c.error();
        rejected_ = true;
    }
    _pauseafter(tag, 20);
    return 0;
}

int TnClient::poll(int port, TnMessage& request, TnMessageList& replies) {
    rejected_ = false;
    TnConnection c(TnString(), port, TnConnection::kUdp, kPollTimeout);
    int length = 0;
    char* frame = _pollfirst(c, request, length);
    if (!frame) return 0;
    // Whoever hears a broadcast may answer, and keep answering: stop at a count and a time
    // no honest farm reaches.
    const time_t deadline = time(nullptr) + kPollSends * kPollTimeout / 1000;
    for (int taken = 0; frame; ++taken) {
        TnMessage* m = new TnMessage;
        unpackInto(*m, frame, length, c.address());
        delete[] frame;
        if (m->tag() != kEmpty && m->tag() != kRefused)
            replies.push(m);
        else
            delete m;
        frame = (taken + 1 < kMaxPollReplies && time(nullptr) < deadline) ? c.receive(length) : nullptr;
    }
    if (replies.length() > 0) return 1;
    line(TnDebug::kError, "ERROR: " + c.error().value() + ".");
    error_ = c.error();
    return 0;
}

// ---- workers -------------------------------------------------------------------------------

int TnClient::transmitWorker(const TnString& host, TnMessage& message) {
    return transmit(host, config_.worker_port(), message);
}

int TnClient::telegramWorker(const TnString& host, TnMessage& message) {
    return telegram(host, config_.worker_port(), message);
}

int TnClient::converseWorker(const TnString& host, TnMessage& request, TnMessage& reply) {
    return converse(host, config_.worker_port(), request, reply);
}

int TnClient::converseWorkerWithRetries(const TnString& host, TnMessage& request, TnMessage& reply, int retries) {
    return _retries(true, host, request, reply, retries);
}

int TnClient::converseSubSupervisorWithRetries(TnMessage& request, TnMessage& reply, int retries) {
    return _retries(false, TnString(), request, reply, retries);
}

int TnClient::_retries(bool worker, const TnString& host, TnMessage& request, TnMessage& reply, int retries) {
    int result = 0;
    const int attempts = retries + 1;
    for (int a = 1; a <= attempts; ++a) {
        srand(static_cast<unsigned>(time(nullptr)));
        int wait = rand() % 6 + 5;
        result = worker ? converseWorker(host, request, reply) : converseSubSupervisor(request, reply);
        if (result) break;
        TnString counter = TnString("attempt[") + a + "/" + attempts + "]";
        if (worker)
            line(TnDebug::kWarning, "WARNING: converseWorker() " + counter + " to worker[" + host + "] failed " +
                                        "(worker down?)", true);
        else
            line(TnDebug::kWarning, "WARNING: converseSubSupervisor() " + counter + " failed (supervisor down?).",
                 true);
        // A refusal has paused already.
        if (a == attempts || rejected_) continue;
        line(TnDebug::kWarning, TnString("WARNING:: retrying in ") + "[" + wait + "] seconds.");
        pause(wait);
    }
    return result;
}

// ---- supervisors ---------------------------------------------------------------------------

int TnClient::converseSupervisor(TnMessage& request, TnMessage& reply) {
    return _resolve(kConverse, config_.supervisor_port(), request, &reply);
}

int TnClient::converseSupervisor(const TnString& host, TnMessage& request, TnMessage& reply) {
    if (converse(host, config_.supervisor_port(), request, reply)) return 1;
    return converseSupervisor(request, reply);
}

int TnClient::converseSubSupervisor(TnMessage& request, TnMessage& reply) {
    return _resolve(kConverse, config_.supervisor_sub_port(), request, &reply);
}

int TnClient::converseSubSupervisor(const TnString& host, TnMessage& request, TnMessage& reply) {
    if (converse(host, config_.supervisor_sub_port(), request, reply)) return 1;
    return converseSubSupervisor(request, reply);
}

int TnClient::transmitSupervisor(TnMessage& message) {
    return _resolve(kTransmit, config_.supervisor_port(), message, nullptr);
}

int TnClient::telegramSupervisor(TnMessage& message) {
    return _resolve(kTelegram, config_.supervisor_port(), message, nullptr);
}

int TnClient::telegramSubSupervisor(TnMessage& message) {
    return _resolve(kTelegram, config_.supervisor_sub_port(), message, nullptr);
}

int TnClient::_exchange(Exchange how, const TnString& host, int port, TnMessage& request, TnMessage* reply,
                        bool& redirected) {
    redirected = false;
    switch (how) {
    case kTransmit: return transmit(host, port, request);
    case kTelegram: return telegram(host, port, request);
    case kConverse: break;
    }
    int tag = -1;
    int result = _converse(host, port, request, *reply, tag);
    redirected = tag == kRedirect;
    return result;
}

int TnClient::_firsthost() const {
    int n = config_.supervisor_hosts().length();
    return n > 0 ? randomIndex(n) : 0;
}

int TnClient::_resolve(Exchange how, int port, TnMessage& request, TnMessage* reply) {
    request.tarndomain(_farmdomain());
    bool redirected = false;
    if (!supervisor_.empty()) return _exchange(how, supervisor_, port, request, reply, redirected);

    TnHostnameList& hosts = config_.supervisor_hosts();
    const int n = hosts.length();
    if (n == 0 && _farmdomain().empty()) {
        if (how == kConverse)
            fputs("WARNING: tn_supervisor/tn_domain undefined in tn.conf or TN_SUPERVISOR/TN_DOMAIN undefined in  "
                  "environment.\n",
                  stderr);
        return 0;
    }

    const int first = _firsthost();
    // A redirect is an answer too: it is looked at before success.
    for (int k = 0; k < n; ++k) {
        const TnHostname* h = hosts.get((first + k) % n);
        int result = _exchange(how, h->host(), h->port() != 0 ? h->port() : port, request, reply, redirected);
        if (redirected) return _follow(port, request, *reply);
        if (result) return 1;
    }

    TnString host;
    if (_cached(host)) {
        int result = _exchange(how, host, port, request, reply, redirected);
        if (redirected) return _follow(port, request, *reply);
        if (result) return 1;
    }

    if (!_discover(port, host)) return 0;
    int result = _exchange(how, host, port, request, reply, redirected);
    return redirected ? _follow(port, request, *reply) : result;
}

int TnClient::_follow(int port, TnMessage& request, TnMessage& reply) {
    const TnHostname* target = contentOf<TnHostname>(reply);
    if (!target) return 0;
    TnString host = target->host();
    return converse(host, port, request, reply);
}

TnString TnClient::cachefile() { return tn_default_string(32) + "/supervisor_" + currentuser() + ".tmp"; }

// The cache is anybody's to plant in a shared /tmp: only a small file of this user is read.
bool TnClient::_cached(TnString& host) const {
    host.clear();
    const TnString path = cachefile();
    struct stat st;
    if (stat(path.value(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_uid != getuid() || st.st_size > kMaxCacheBytes) return false;
    const long long modified = st.st_mtime;
    if (modified <= TnFile::mtime(tn_default_string(301))) return false;
    if (static_cast<long long>(time(nullptr)) - modified >= kCacheLifetime) return false;
    TnFile::load(path, host);
    return !host.empty();
}

bool TnClient::_discover(int port, TnString& host) {
    host.clear();
    if (_farmdomain().empty()) return false;
    TnMessage request(kDiscover), reply;
    request.content(new TnDomain(config_.tn_domain(), config_.tn_region()));
    request.tarndomain(_farmdomain());
    if (!poll(port, request, reply)) return false;
    host = reply.address().stringvalue();
    config_.add_supervisor_host(new TnHostname(host));
    TnFile::replace(cachefile(), host);
    return true;
}

int TnClient::meetSupervisor(TnMessage& request, TnMessage& reply) {
    TnHostnameList& hosts = config_.supervisor_hosts();
    if (hosts.length() == 0) return 0;
    const int saved = conversetimeout_;
    conversetimeout_ = kMeetTimeout;
    for (int i = 0; i < hosts.length(); ++i) {
        const TnHostname* h = hosts.get(i);
        converse(h->host(), h->port() != 0 ? h->port() : config_.supervisor_port(), request, reply);
    }
    conversetimeout_ = saved;
    return 1;
}

int TnClient::findSupervisor(TnHostnameList& found, bool force) {
    TnHostnameList& hosts = config_.supervisor_hosts();
    if (hosts.length() > 0 && !force) {
        found.copy(hosts);
        line(TnDebug::kInfo, "INFO: findSupervisor() skipping detection... returning supervisor_host defined in tn.conf");
        return 1;
    }
    const int port = config_.supervisor_port();
    TnMessage request(kDiscover);
    request.content(new TnDomain(_farmdomain(), config_.tn_region()));
    TnConnection c(TnString(), port, TnConnection::kUdp, kFindTimeout);
    _stamp(request);
    for (int round = 0; round < kFindRounds; ++round) {
        for (int k = -1; k < hosts.length(); ++k) {
            const TnHostname* h = k < 0 ? nullptr : hosts.get(k);
            c.host(h ? h->host() : TnString());
            c.port(h && h->port() != 0 ? h->port() : port);
            if (c.send(request.packContents(), request.packSize()) <= 0) {
                line(TnDebug::kError, "ERROR: " + c.error().value() + ".");
                error_ = c.error();
                return 0;
            }
        }
        int length = 0;
        char* frame = c.receive(length);
        if (!frame) continue;
        TnMessage answer;
        unpackInto(answer, frame, length, c.address());
        delete[] frame;
        const TnDomain* domain = contentOf<TnDomain>(answer);
        if (!domain) continue;
        TnString address = answer.address().stringvalue();
        bool known = false;
        for (int i = 0; i < found.length() && !known; ++i) known = found.get(i)->host() == address;
        if (!known) found.push(new TnHostname(address, 0, domain->id()));
    }
    return 1;
}

int TnClient::joinDomain(TnDomain& domain) {
    if (!_farmdomain().empty()) return 0;
    TnMessage request(kJoinDomain), reply;
    const int port = config_.supervisor_port();
    const TnDomain* learned = nullptr;
    if (!supervisor_.empty()) {
        if (converse(supervisor_, port, request, reply)) learned = contentOf<TnDomain>(reply);
    } else {
        TnHostnameList& hosts = config_.supervisor_hosts();
        const int n = hosts.length();
        const int first = _firsthost();
        for (int k = 0; k < n && !learned; ++k) {
            const TnHostname* h = hosts.get((first + k) % n);
            if (converse(h->host(), h->port() != 0 ? h->port() : port, request, reply))
                learned = contentOf<TnDomain>(reply);
        }
    }
    if (!learned) return 0;
    domain.copy(*learned);
    domain_ = learned->value();
    return 1;
}

// ---- who is sending ------------------------------------------------------------------------

TnTime TnClient::currenttime() {
    TnTime now;
    now.setToNow();
    return now;
}

TnMacAddress TnClient::currentmacaddress() { return TnConnection::primarymacaddress(); }

TnString TnClient::currentuser() {
    const uid_t uid = getuid();
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    int rc = getpwuid_r(uid, &entry, buffer, sizeof buffer, &found);
    if (found && found->pw_name) return found->pw_name;
    // Not finding the uid is no system error, whatever code the lookup uses to say so.
    if (rc == 0 || rc == ENOENT || rc == ESRCH) {
        TnString text("WARNING: pw database entry not found for uid[");
        text += static_cast<long long>(uid);
        text += "]";
        line(TnDebug::kWarning, text);
    } else {
        fprintf(stderr, "ERROR: TnClient::currentuser(), on calling getpwuid(): %s\n", strerror(rc));
    }
    line(TnDebug::kError, "ERROR: couldn't validate user's login.");
    return TnString();
}

TnString TnClient::currentdomain() {
    TnClientConfig fresh;
    if (!fresh.client_host_domain().empty()) return fresh.client_host_domain();
    char name[256];
    if (getdomainname(name, 255) != 0) name[0] = 0;
    name[255] = 0;
    TnString domain(name);
    if (domain.empty() || domain == TnString("(none)")) return ".";
    return domain;
}
