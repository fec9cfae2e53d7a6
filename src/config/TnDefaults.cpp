#include "config/TnDefaults.h"

#include "core/TnPath.h"
#include "diag/TnDebug.h"

namespace {

const char* const kBuiltInDir = "/usr/local/kwo/tarn";

struct BaseDir {
    TnString dir = kBuiltInDir;
    int level = 0;
};

// Built on first use, so that defaults read during static initialisation see it too.
BaseDir& base() {
    static BaseDir b;
    return b;
}

TnString under(const char* tail) { return base().dir + tail; }

}  // namespace

TnString tn_default_get_tndir() { return base().dir; }

int tn_default_get_tndir_level() { return base().level; }

void tn_default_set_tndir(const TnString& dir, int level) {
    BaseDir& b = base();
    if (dir.empty() || level <= b.level) return;
    b.dir = dir;
    b.level = level;
}

void tn_default_reset_tndir() {
    base().dir = kBuiltInDir;
    base().level = 0;
}

TnString tn_default_string(int key) {
    switch (key) {
    case 0: return kBuiltInDir;
    case 1: case 101: case 301: case 401: case 501: case 601: case 801: return "/etc/tn.conf";
    case 3: case 104: return "/";
    case 8: case 111: return "/var/spool/tarn";
    case 9: return "/var/spool/tarn/backup";
    case 12: return "/var/log/manifestlog";
    case 13: return "/var/log/supelog";
    case 16: case 33: return "Internal";
    case 17: return "cluster";
    case 19: return "/etc/tnwrk.conf";
    case 20: return "open";
    case 21: return "enabled";
    case 30: return "/var/spool/tarn/supe.jnl";
    case 32: case 304: case 406: return "/tmp";
    case 34: return "none";
    case 35: return "/var/run/supervisor.pid";
    case 37: case 124: return "/etc/tnsslcert.pem";
    case 38: case 125: return "/etc/tnsslkey.pem";
    case 47: return under("/public");
    case 49: return under("/html");
    case 55: return "/var/spool/tarn/data";
    case 59: case 70: case 121: case 502: case 506: return "";
    case 78: return under("/callback");
    case 80: return "localhost";
    case 102: return under("/sbin/proxy");
    case 103: return "/var/spool/tarn/worker.jnl";
    case 109: return "proxy";
    // Job types live in the installation and, shared between versions, beside it.
    case 112: case 302: case 402: return under("/types:") + TnPath::chomp(base().dir) + "jobtypes";
    case 114: return "/var/log/workerlog";
    case 117: return "remote";
    case 122: return "/var/run/worker.pid";
    case 123: return "local,supervisor";
    case 129: return "tarnproxy";
    case 130: return "\\";
    case 136: return under("/flightCheck");
    case 201: return "/src/api/perl/tn";
    case 202: return "d5dd97b9bd42eaf3e8521a6d45bb55c8bdad93536336a00ece8dffb7b654c79e";
    case 403: return under("/lib/gui/icons");
    case 404: return under("/lib/gui/html");
    case 405: return under("/docs");
    case 407: return under("/lib/gui/pr");
    case 408: return under("/lib/wizard");
    case 503: return "127.0.0.1";
    case 505: return "root";
    case 605: return under("/etc/job.mail");
    case 606: return under("/etc/subjob.mail");
    case 607: return under("/etc/work.mail");
    case 609: return under("/etc/report.mail");
    case 611: return "tarn";
    case 612: return under("/etc/notification.mail");
    default: break;
    }
    if (tn_debug_on(TnDebug::kWarning)) {
        TnDebug& d = tn_debug_obj();
        d.lock();
        d << "WARNING: tn_default_string() unknown value[" << key << "]\n";
        d.unlock();
    }
    return "";
}

int tn_default_int(int key) {
    switch (key) {
    case 2: return 9999;
    case 4: return 100;
    case 5: return 256;
    case 6: return 64;
    case 7: return 1;
    case 10: return 50001;  // supervisor port
    case 11: return 127;
    case 15: return 600;
    case 22: return 127;
    case 23: return 360;
    case 24: return 6150;
    case 25: return 720;
    case 29: return 8;
    case 31: return 9999;
    case 36: return 1200;
    case 39: return 8;
    case 40: return 86400;
    case 41: return 16;
    case 42: return 45;
    case 43: return 600;
    case 44: return 524288;
    case 46: return 600;
    case 48: return 44444;  // supervisor web port
    case 49: return 50002;  // supervisor sub port
    case 50: return 524288;
    case 52: return 10;
    case 53: return 5242880;
    case 54: return 136314867;
    case 56: return -4097;
    case 57: return 16384;
    case 58: return -1;
    case 60: return -1;
    case 71: return 1;
    case 73: return 1;
    case 74: return 1;
    case 75: return 100;
    case 76: return -1;
    case 77: return 2;
    case 79: return -1;
    case 81: return 50005;
    case 105: return 500;
    case 106: return 512;
    case 110: return 1800;
    case 113: return 50011;  // worker port
    case 116: return 43200;
    case 118: return 10;
    case 119: return 12;
    case 120: return 120;
    case 126: return 32;
    case 127: return 256;
    case 128: return 4;
    case 131: return 524288;
    case 132: return 30;
    case 133: return 1;
    case 134: return 30;
    case 305: return 8;       // client job flags
    case 306: return 600000;  // client timeout
    case 504: return 3306;
    case 507: return 1;
    case 610: return 144;
    case 701: return 50002;
    case 802: return 3;
    case 803: return 5;
    default: return 0;
    }
}

TnString tn_oem_default_string(int key) {
    switch (key) {
    case 1: case 101: case 301: case 401: case 501: case 601: case 801: return "";
    case 17: return "priority";
    default: return tn_default_string(key);
    }
}

int tn_oem_default_int(int key) {
    switch (key) {
    case 22: return 16;
    case 24: return 4630;
    case 54: return -1;
    case 107: return 1;
    default: return tn_default_int(key);
    }
}
