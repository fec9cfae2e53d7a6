#ifndef TN_TESTS_SUPPORT_PRIVATESYSTEM_H
#define TN_TESTS_SUPPORT_PRIVATESYSTEM_H

#include <string>

namespace support {

// Moves the calling process (call it first thing in main, while it has one thread) into a
// private mount and network namespace, so that tests may write /etc/tn.conf, fill /var/log and
// /tmp, bind port 50005 and broadcast without touching the machine:
//  - /etc and /var/log become overlays whose writes land in a temporary directory;
//  - /tmp becomes an empty tmpfs;
//  - the network holds only a loopback interface, up, with the default route on it, so that
//    broadcasts to 255.255.255.255 reach the local sockets and go nowhere else.
// Processes the tests start inherit all of it. Returns false (with the reason) when the
// process may not do this (not root, no namespaces): tests that need it then skip.
bool enterPrivateSystem(std::string* why);

// Whether enterPrivateSystem() succeeded in this process.
bool inPrivateSystem();

}  // namespace support

#endif
