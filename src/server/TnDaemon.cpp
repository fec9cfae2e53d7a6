#include "server/TnDaemon.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "core/TnStringList.h"
#include "diag/TnDebug.h"
#include "protocol/TnClient.h"
#include "protocol/TnFile.h"
#include "protocol/TnMacAddress.h"

int TnDaemon::sizelimit_ = -1;

namespace {

constexpr int kRestrictDomain = 128;  // client flag "restrict_domain"
constexpr int kPresetVersion = 350;   // what an incoming message assumes until its own arrives
constexpr int kRefused = 5;           // "max connections reached"

}  // namespace

TnDaemon::TnDaemon() = default;

int TnDaemon::exitUnlessActive(int result) {
    if (active()) return result;
    tn_debug_line(TnDebug::kError, TnString("ERROR: ") + error().value());
    exit(1);
}

int TnDaemon::openport(int port) { return exitUnlessActive(TnServer::openport(port)); }

int TnDaemon::openport(int address, int port) { return exitUnlessActive(TnServer::openport(address, port)); }

int TnDaemon::openport(int address, int port, int type) {
    return exitUnlessActive(TnServer::openport(address, port, type));
}

TnString TnDaemon::substitutemac(const TnAddress& peer) {
    return TnString("EE:EE:") + peer.hexvalue().replacevalue(".", ":", 1);
}

bool TnDaemon::finish(TnConnection* connection) {
    int bytes = connection->handled();
    delete connection;
    return sizelimit_ >= 0 && bytes >= sizelimit_;
}

int TnDaemon::eventloop(int count) {
    TnClient client;  // only its configuration is used: the client flags
    bool restrictDomain = (client.config().client_flags() & kRestrictDomain) != 0;
    int handled = 0;
    for (;;) {
        if (count != -1 && count-- <= 0) return handled;

        TnConnection* connection = service(-1);
        if (!connection) {
            if (status() == -1) {
                tn_debug_line(TnDebug::kError, TnString("ERROR: ") + error().value());
                return -1;
            }
            if (count < 0) continue;
            return 0;
        }

        if (connection->type() == 4 || connection->type() == 7) {
            connhandler(*connection);
            ++handled;
            if (finish(connection)) return handled;
            continue;
        }

        int length = 0;
        char* buffer;
        if (connection->type() == 2) {
            // Every process waiting on the shared datagram socket wakes for one datagram and
            // only one gets it: the others take nothing rather than wait for the next one.
            int wait = connection->timeout();
            connection->timeout(0);
            buffer = connection->receive(length);
            connection->timeout(wait);
        } else {
            buffer = connection->receive(length);
        }
        if (!buffer) {
            if (finish(connection)) return handled;
            continue;
        }
        TnMessage message;
        message.version(kPresetVersion);
        message.unpack(buffer, length);
        delete[] buffer;

        if (message.tag() == 0) {
            if (finish(connection)) return handled;
            continue;
        }

        if (restrictDomain && message.tarndomain().empty()) {
            if (connection->type() != 2) {
                TnMessage empty(0);
                reply(empty, *connection);
            }
            tn_debug_line(TnDebug::kWarning,
                 TnString("WARNING: ignoring undefined domain communication - ") + connection->address().stringvalue());
            if (finish(connection)) return handled;
            continue;
        }

        if (message.macaddress().blank()) message.macaddress(TnMacAddress(substitutemac(connection->address())));
        connection->version(message.version());
        eventhandler(message.tag(), message, *connection);
        ++handled;
        if (finish(connection)) return handled;
    }
}

bool TnDaemon::reply(TnMessage& message, TnConnection& connection) {
    message.macaddress(macaddr());
    message.pack();
    int sent = connection.send(message.packContents(), message.packSize());
    if (sent < 0) {
        tn_debug_line(TnDebug::kError, TnString("ERROR: unable to reply - ") + connection.error().value());
        return false;
    }
    message._clear();
    return sent > 0;
}

bool TnDaemon::reject(TnAddress& address) {
    int saved = timeout();
    timeout(0);
    TnConnection* connection = service(2);
    timeout(saved);
    if (!connection) return false;
    address = connection->address();
    int type = connection->type();
    if (type == 2 || type == 3 || type == 4 || type == 7) {
        delete connection;
        return false;
    }
    int length = 0;
    char* buffer = connection->receive(length);
    if (!buffer || length == 0) {
        delete[] buffer;
        delete connection;
        return false;
    }
    delete[] buffer;
    TnMessage refusal(kRefused);
    refusal.version(kPresetVersion);
    reply(refusal, *connection);
    delete connection;
    return true;
}

void TnDaemon::redirectOutput(const TnString& file, int count) {
    if (file.empty()) return;
    if (file == TnString("stdout") || file == TnString("stderr")) {
        tn_debug_line(TnDebug::kInfo, "INFO: pipe output to STDOUT");
        return;
    }
    outputfile_ = file;
    logcount_ = count;
    tn_debug_line(TnDebug::kInfo, TnString("INFO: redirecting output to: '") + file + "'");
    _redirectOutput();
}

void TnDaemon::_redirectOutput() {
    if (outputfile_.empty()) return;
    fflush(stdout);
    fflush(stderr);
    if (!freopen(outputfile_.value(), "a", stdout)) return;
    if (!freopen(outputfile_.value(), "a", stderr)) return;
    tn_debug_filename(outputfile_, 0);
}

int tn_daemon_filecmp(const TnString* a, const TnString* b) {
    long long ta = TnFile::mtime(*a), tb = TnFile::mtime(*b);
    if (tb > ta) return 1;
    if (tb < ta) return -1;
    return 0;
}

void TnDaemon::manageLogs() {
    if (outputfile_.empty()) return;
    TnStringList files;
    tn_debug_logfiles(outputfile_, files);
    files.sort(tn_daemon_filecmp);
    for (int i = logcount_ < 0 ? 0 : logcount_; i < files.length(); ++i) {
        tn_debug_line(TnDebug::kInfo, TnString("INFO: removing log file: ") + *files.get(i), true);
        unlink(files.get(i)->value());
    }
}

void TnDaemon::display() {
    for (int i = 0; i < length(); ++i) {
        TnString text = TnString("INFO: opened address: ") + TnAddress(address(i)).stringvalue() + " port: " +
                        TnString(port(i)) + " type: " + porttype(i) + ".";
        tn_debug_line(TnDebug::kInfo, text);
    }
    tn_debug_line(TnDebug::kInfo, TnString("INFO: mac address: ") + TnClient::currentmacaddress().value());
}
