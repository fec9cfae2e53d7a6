#include "support/PrivateSystem.h"

#include <net/if.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace support {

namespace {

bool entered = false;

bool fail(std::string* why, const std::string& what) {
    if (why) *why = what + ": " + strerror(errno);
    return false;
}

bool overlay(const std::string& scratch, const char* target, const char* name, std::string* why) {
    std::string upper = scratch + "/" + name + "-upper", work = scratch + "/" + name + "-work";
    if (mkdir(upper.c_str(), 0755) != 0 || mkdir(work.c_str(), 0755) != 0) return fail(why, "mkdir " + upper);
    std::string options = std::string("lowerdir=") + target + ",upperdir=" + upper + ",workdir=" + work;
    if (mount("overlay", target, "overlay", 0, options.c_str()) != 0) return fail(why, std::string("overlay ") + target);
    return true;
}

bool loopbackUp(std::string* why) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) return fail(why, "socket");
    struct ifreq req;
    memset(&req, 0, sizeof req);
    strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(s, SIOCGIFFLAGS, &req) == 0;
    req.ifr_flags |= IFF_UP | IFF_RUNNING;
    ok = ok && ioctl(s, SIOCSIFFLAGS, &req) == 0;
    close(s);
    if (!ok) return fail(why, "loopback up");
    if (system("ip route add default dev lo 2>/dev/null") != 0) return fail(why, "default route on loopback");
    return true;
}

}  // namespace

bool enterPrivateSystem(std::string* why) {
    if (entered) return true;
    if (geteuid() != 0) {
        errno = EPERM;
        return fail(why, "needs root");
    }
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) return fail(why, "unshare");
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return fail(why, "private mounts");
    // Everything written from here on lives in memory: the overlays' upper layers go to a
    // fresh tmpfs over /dev/shm, so nothing is left on the machine's disks afterwards, while
    // the machine's own /tmp stays readable underneath (a build tree may live there).
    if (mount("tmpfs", "/dev/shm", "tmpfs", 0, "mode=1777") != 0) return fail(why, "tmpfs /dev/shm");
    const std::string scratch = "/dev/shm/.private";
    if (mkdir(scratch.c_str(), 0700) != 0) return fail(why, "mkdir " + scratch);
    if (!overlay(scratch, "/etc", "etc", why) || !overlay(scratch, "/var/log", "log", why) ||
        !overlay(scratch, "/tmp", "tmp", why))
        return false;
    if (!loopbackUp(why)) return false;
    entered = true;
    return true;
}

bool inPrivateSystem() { return entered; }

bool freshNetwork(std::string* why) {
    if (!entered) {
        errno = EPERM;
        return fail(why, "not in the private system");
    }
    if (unshare(CLONE_NEWNET) != 0) return fail(why, "unshare");
    return loopbackUp(why);
}

}  // namespace support
