#ifndef TN_SERVER_TNPREFORKDAEMON_H
#define TN_SERVER_TNPREFORKDAEMON_H

#include <signal.h>
#include <sys/types.h>

#include "server/TnDaemon.h"

// The daemon as a pool of processes. The parent owns the listening sockets and never serves;
// once a second it forks serving processes that inherit them and run the single-connection
// event loop a few times before they exit. It keeps a minimum alive, adds processes while
// connections wait, refuses connections when the pool is full, restarts registered side
// processes ("kin" and "helpers"), prunes log files once a day and shuts down on SIGTERM.
// The texts call these processes "threads"; there are no threads, only processes.
//
// One pool per program: its tables are class-wide. Signal handlers only set flags and reap
// children; the loops test the flags between steps and do the talking.
class TnPreForkDaemon : public TnDaemon {
public:
    static constexpr int kMaxProcs = 10240;
    static constexpr int kMaxHelpers = 128;
    static constexpr int kMaxKin = 64;

    TnPreForkDaemon();

    void eventhandler(int type, TnMessage& message, TnConnection& connection) override {}
    virtual void kinhandler(int index) {}
    // Runs once in every forked process before it serves; the default redirects output.
    virtual void startthread() { _redirectOutput(); }
    virtual void endthread() {}

    // Runs the parent: 0 after an orderly shutdown; 1 in every forked process once it is done.
    int eventloop(int ignored);

    static void maxthreads(int n);
    static void idlethreads(int n);
    static void maxclients(int n) { _clientmax = n; }
    // Connections one serving process handles: a quarter plus one during a burst.
    static int maxclients() { return _overmax ? _clientmax / 4 + 1 : _clientmax; }
    static int maxthreads() { return _procmax; }
    static int idlethreads() { return _procidle; }
    static int proccount() { return _proccount; }

    // Registers a helper function (false beyond 128) and a kin index (false outside 0 to 63).
    static bool helper(void (*fn)());
    static bool kinregister(int index);
    static pid_t kinpid(int index);

    int forkChild();
    int forkKin(int index);
    int forkThread(int index);

    int id() const { return id_; }
    static bool checkloop() { return _reset || _shutdown; }
    static void resetnow();
    [[noreturn]] static void exitnow(int status);
    static void mode(int m) { _mode = m; }

    static void catchChild(int sig);
    static void shutdown(int sig);
    static void reset(int sig);
    static void shutdownChild(int sig);
    static void resetChild(int sig);
    static void shutdownThread(int sig);
    static void resetThread(int sig);

protected:
    static volatile sig_atomic_t _shutdown;
    static volatile sig_atomic_t _reset;
    // Set while the parent forks to absorb waiting connections; processes forked then serve
    // fewer connections.
    static volatile sig_atomic_t _overmax;

private:
    // Forks one process; -1 on failure, 0 in the parent, the served role's result in the child.
    pid_t spawn();
    void serve();
    void burst();
    void topUp(bool& childDone);
    int shutdownSequence();
    void announce();

    int id_ = 1;
    int tick_ = 0;

    static int _procmax;
    static int _procidle;
    static int _clientmax;
    static volatile sig_atomic_t _proccount;
    static volatile pid_t _childpid[kMaxProcs];
    static void (*_helpers[kMaxHelpers])();
    static volatile pid_t _helperpid[kMaxHelpers];
    static int _helpertotal;
    static volatile pid_t _kinpid[kMaxKin];
    static bool _kinvalid[kMaxKin];
    static int _kintotal;
    static volatile sig_atomic_t _announceShutdown;
    static volatile sig_atomic_t _announceReset;
    static TnPreForkDaemon* _primary;
    static int _mode;
};

#endif
