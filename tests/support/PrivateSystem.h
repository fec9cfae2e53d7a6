#ifndef TN_TESTS_SUPPORT_PRIVATESYSTEM_H
#define TN_TESTS_SUPPORT_PRIVATESYSTEM_H

#include <string>

namespace support {

// Moves the calling process (call it first thing in main, while it has one thread) into a
// private mount and network namespace, so that tests may write /etc/tn.conf, fill /var/log and
// /tmp, bind port 50005 and broadcast without touching the machine:
//  - /etc, /var/log and /tmp become overlays whose writes land in memory (a tmpfs over
//    /dev/shm); what the machine has there stays readable underneath;
//  - the network holds only a loopback interface, up, with the default route on it, so that
//    broadcasts to 255.255.255.255 reach the local sockets and go nowhere else.
// Processes the tests start inherit all of it. Returns false (with the reason) when the
// process may not do this (not root, no namespaces): tests that need it then skip.
bool enterPrivateSystem(std::string* why);

// Whether enterPrivateSystem() succeeded in this process.
bool inPrivateSystem();

// Inside the private system: moves the calling process into another new network of its own,
// set up the same way. The sockets of the previous one (connections lingering in TIME_WAIT
// on a fixed port included) stay behind, so the next server binds that port at once.
bool freshNetwork(std::string* why);

}  // namespace support

#endif
