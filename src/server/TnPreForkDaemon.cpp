#include "server/TnPreForkDaemon.h"

#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/TnTime.h"
#include "diag/TnDebug.h"

int TnPreForkDaemon::_procmax = TnPreForkDaemon::kMaxProcs;
int TnPreForkDaemon::_procidle = 10;
int TnPreForkDaemon::_clientmax = 5;
volatile sig_atomic_t TnPreForkDaemon::_overmax = 0;
volatile sig_atomic_t TnPreForkDaemon::_proccount = 0;
volatile pid_t TnPreForkDaemon::_childpid[TnPreForkDaemon::kMaxProcs];
void (*TnPreForkDaemon::_helpers[TnPreForkDaemon::kMaxHelpers])();
volatile pid_t TnPreForkDaemon::_helperpid[TnPreForkDaemon::kMaxHelpers];
int TnPreForkDaemon::_helpertotal = 0;
volatile pid_t TnPreForkDaemon::_kinpid[TnPreForkDaemon::kMaxKin];
bool TnPreForkDaemon::_kinvalid[TnPreForkDaemon::kMaxKin];
int TnPreForkDaemon::_kintotal = 0;
volatile sig_atomic_t TnPreForkDaemon::_shutdown = 0;
volatile sig_atomic_t TnPreForkDaemon::_reset = 0;
volatile sig_atomic_t TnPreForkDaemon::_announceShutdown = 0;
volatile sig_atomic_t TnPreForkDaemon::_announceReset = 0;
TnPreForkDaemon* TnPreForkDaemon::_primary = nullptr;
int TnPreForkDaemon::_mode = 0;

namespace {

// Holds back the pool's signals while a fork and its bookkeeping happen: the reaper never
// sees a child the tables do not know yet, and a new process never runs the parent's
// handlers before it has installed its own (what arrived meanwhile is delivered then).
class PoolSignalsHeld {
public:
    PoolSignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGCHLD);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        sigprocmask(SIG_BLOCK, &set, &saved_);
    }
    ~PoolSignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
    // For a new process: its own SIGCHLD is not held back once the fork is done.
    void releaseChildSignal() { sigdelset(&saved_, SIGCHLD); }

private:
    sigset_t saved_;
};

void installHandlers(PoolSignalsHeld& held, void (*term)(int), void (*hup)(int)) {
    signal(SIGCHLD, SIG_DFL);
    signal(SIGTERM, term);
    signal(SIGHUP, hup);
    held.releaseChildSignal();
}

// The parent takes SIGCHLD only while it sleeps between passes: a child that ends during a
// pass cuts the next sleep short just like one that ends during it, so that its replacement
// comes at once, and the reaper changes the tables only while the parent sleeps.
sigset_t sleepingMask;

void holdChildSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    sigprocmask(SIG_BLOCK, &set, &sleepingMask);
    sigdelset(&sleepingMask, SIGCHLD);
}

void sleepFor(int seconds) {
    timespec span = {seconds, 0};
    pselect(0, nullptr, nullptr, nullptr, &span, &sleepingMask);
}

// Reaps pid if it has ended (or is no child of ours); true when its slot is free again.
bool reaped(pid_t pid) {
    int status;
    return waitpid(pid, &status, WNOHANG) != 0;
}

}  // namespace

TnPreForkDaemon::TnPreForkDaemon() {
    std::fill(std::begin(_helpers), std::end(_helpers), nullptr);
    for (auto& p : _helperpid) p = 0;
    for (auto& p : _childpid) p = 0;
    for (auto& p : _kinpid) p = 0;
    std::fill(std::begin(_kinvalid), std::end(_kinvalid), false);
    _helpertotal = 0;
    _primary = this;
    _mode = 0;
}

void TnPreForkDaemon::maxthreads(int n) { _procmax = std::min(n, static_cast<int>(kMaxProcs)); }

void TnPreForkDaemon::idlethreads(int n) { _procidle = std::min(n, _procmax); }

bool TnPreForkDaemon::helper(void (*fn)()) {
    if (!fn || _helpertotal >= kMaxHelpers) return false;
    _helpers[_helpertotal++] = fn;
    return true;
}

bool TnPreForkDaemon::kinregister(int index) {
    if (index < 0 || index >= kMaxKin) return false;
    _kinvalid[index] = true;
    _kintotal = std::max(_kintotal, index + 1);
    return true;
}

pid_t TnPreForkDaemon::kinpid(int index) { return index < 0 || index >= kMaxKin ? -1 : _kinpid[index]; }

void TnPreForkDaemon::resetnow() { kill(0, SIGHUP); }

void TnPreForkDaemon::exitnow(int status) { _exit(status); }

// ---- signal handlers: flags, reaping and kill() only ------------------------------------

void TnPreForkDaemon::catchChild(int) {
    int saved = errno;
    signal(SIGCHLD, catchChild);
    for (int i = 0; i < _helpertotal; ++i)
        if (_helperpid[i] && reaped(_helperpid[i])) _helperpid[i] = 0;
    for (int i = 0; i < _procmax; ++i) {
        if (_childpid[i] && reaped(_childpid[i])) {
            _childpid[i] = 0;
            _proccount = _proccount - 1;
        }
    }
    for (int i = 0; i < _kintotal; ++i)
        if (_kinpid[i] && reaped(_kinpid[i])) _kinpid[i] = 0;
    errno = saved;
}

void TnPreForkDaemon::shutdown(int) {
    signal(SIGTERM, SIG_IGN);
    kill(0, SIGTERM);
    _shutdown = 1;
    _announceShutdown = 1;
}

void TnPreForkDaemon::reset(int) { _announceReset = 1; }

void TnPreForkDaemon::shutdownChild(int) {
    signal(SIGTERM, SIG_DFL);  // a second SIGTERM ends the process
    _shutdown = 1;
}

void TnPreForkDaemon::resetChild(int) { _reset = 1; }

void TnPreForkDaemon::shutdownThread(int) {
    _shutdown = 1;
    _exit(0);
}

void TnPreForkDaemon::resetThread(int) { _reset = 1; }

// ---- the parent -------------------------------------------------------------------------

void TnPreForkDaemon::announce() {
    if (_announceShutdown) {
        _announceShutdown = 0;
        tn_debug_line(TnDebug::kInfo, "INFO: daemon shutting down...");
    }
    if (_announceReset) {
        _announceReset = 0;
        tn_debug_line(TnDebug::kInfo, "INFO: daemon resetting...");
    }
}

int TnPreForkDaemon::eventloop(int) {
    holdChildSignal();
    signal(SIGCHLD, catchChild);
    signal(SIGTERM, shutdown);
    signal(SIGHUP, reset);
    if (!active()) {
        tn_debug_line(TnDebug::kError, "ERROR: socket unavailable.");
        exitnow(1);
    }
    for (;;) {
        sleepFor(1);
        announce();
        if (tick_ % 86400 == 0) manageLogs();
        ++tick_;
        if (_shutdown) break;

        // Burst: fork while connections wait, refuse when the pool is full.
        bool forked = false;
        int n = _proccount;
        while (ready(-1) && !_shutdown) {
            if (_proccount >= _procmax) {
                tn_debug_line(TnDebug::kError, TnString("ERROR: unable to handle connection overflow - ") +
                                                   "spawned max threads: " + TnString(_procmax));
                TnAddress address;
                if (reject(address))
                    tn_debug_line(TnDebug::kError, TnString("... rejected host: ") + address.stringvalue());
                else
                    tn_debug_line(TnDebug::kError,
                                  TnString("ERROR: couldn't send rejection msg to host: ") + address.stringvalue());
                break;
            }
            _overmax = 1;
            if (n >= _procmax) break;
            ++n;
            forked = true;
            if (forkChild()) return 1;
            TnTime::sleep_milliseconds(1000);  // one millisecond: the pause takes microseconds
        }
        if (forked) continue;

        // Quiet pass: top up to the idle count, restart helpers and kin that have ended.
        for (n = _proccount; n < _procidle && n < _procmax && !_shutdown; ++n) {
            _overmax = 0;
            if (forkChild()) return 1;
        }
        for (int i = 0; i < _helpertotal; ++i)
            if (forkThread(i)) return 1;
        for (int i = 0; i < _kintotal; ++i)
            if (_kinvalid[i] && forkKin(i)) return 1;
        if (_shutdown) break;
    }
    return shutdownSequence();
}

int TnPreForkDaemon::shutdownSequence() {
    announce();
    for (int i = 0; i < 3; ++i) {
        tn_debug_line(TnDebug::kInfo, TnString("INFO: waiting for threads to exit: ") + TnString(_proccount) + " left.",
                      true);
        if (_proccount < 1) break;
        catchChild(0);  // SIGCHLD is held: the handler cannot reap the same children meanwhile
        sleepFor(2);
    }
    kill(0, SIGTERM);
    if (_primary) _primary->cleanup();
    tn_debug_line(TnDebug::kInfo, "INFO: exiting eventloop ", true);
    _shutdown = 1;
    return 0;
}

// ---- forked processes -------------------------------------------------------------------

pid_t TnPreForkDaemon::spawn() {
    pid_t pid = fork();
    if (pid < 0) {
        tn_debug_line(TnDebug::kError, "ERROR: couldn't create new thread...  exiting.");
        return -1;
    }
    ++id_;
    return pid;
}

void TnPreForkDaemon::serve() {
    int served = 0;
    while (maxclients() > served) {
        int result = TnDaemon::eventloop(1);
        if (_shutdown) {
            tn_debug_line(TnDebug::kInfo, "INFO: thread exiting (_shutdown == TRUE)");
            break;
        }
        if (_reset) {
            tn_debug_line(TnDebug::kInfo, "thread resetting (_reset == TRUE)");
            break;
        }
        served += result;
        if (result < 0) break;
    }
}

int TnPreForkDaemon::forkChild() {
    pid_t pid;
    {
        PoolSignalsHeld held;
        pid = spawn();
        if (pid < 0) return 0;
        if (pid > 0) {
            _proccount = _proccount + 1;
            for (int i = 0; i < _procmax; ++i) {
                if (_childpid[i] == 0) {
                    _childpid[i] = pid;
                    break;
                }
            }
            return 0;
        }
        installHandlers(held, shutdownChild, resetChild);
    }
    startthread();
    serve();
    endthread();
    _shutdown = 1;
    return 1;
}

int TnPreForkDaemon::forkKin(int index) {
    if (_kinpid[index] != 0) return 0;
    pid_t pid;
    {
        PoolSignalsHeld held;
        pid = spawn();
        if (pid < 0) return 0;
        if (pid > 0) {
            _kinpid[index] = pid;
            return 0;
        }
        installHandlers(held, shutdownThread, resetThread);
    }
    startthread();
    kinhandler(index);
    endthread();
    _shutdown = 1;
    return 1;
}

int TnPreForkDaemon::forkThread(int index) {
    if (_helperpid[index] != 0 || !_helpers[index]) return 0;
    pid_t pid;
    {
        PoolSignalsHeld held;
        pid = spawn();
        if (pid < 0) return 0;
        if (pid > 0) {
            _helperpid[index] = pid;
            return 0;
        }
        installHandlers(held, shutdownThread, resetThread);
    }
    _helpers[index]();
    _shutdown = 1;
    return 1;
}
