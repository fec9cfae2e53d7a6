#ifndef TN_SERVER_TNDAEMON_H
#define TN_SERVER_TNDAEMON_H

#include "core/TnString.h"
#include "protocol/TnAddress.h"
#include "protocol/TnConnection.h"
#include "protocol/TnMessage.h"
#include "server/TnServer.h"

// A message server over the port table of TnServer: wait for a connection, read one framed
// request, decode the message, hand it to eventhandler(), close. One connection carries one
// request. Single-threaded; the pre-forking pool runs it in many processes.
class TnDaemon : public TnServer {
public:
    TnDaemon();

    virtual void eventhandler(int type, TnMessage& message, TnConnection& connection) = 0;
    // Raw TCP connections (port types 4 and 7) come here instead of being decoded.
    virtual void connhandler(TnConnection& connection) {}

    // The TnServer openers; a process left without any open port ends with status 1.
    int openport(int port);
    int openport(int address, int port);
    int openport(int address, int port, int type);

    // Serves up to count connections (-1: without end). Returns the number handled, 0 when a
    // bounded loop met a time-out, -1 when the readiness wait failed.
    int eventloop(int count);

    // Stamps the message with this host's MAC address, packs and sends it on the connection.
    bool reply(TnMessage& message, TnConnection& connection);
    // Takes one waiting connection from a port with service mask bit 2 and answers it with a
    // "max connections" refusal (message 5). The peer's address goes to `address`.
    bool reject(TnAddress& address);

    void redirectOutput(const TnString& file, int count);
    void _redirectOutput();
    // Deletes the oldest numbered log files of the output file, keeping log count of them.
    void manageLogs();
    void display();

    static void setSizeLimit(int bytes) { sizelimit_ = bytes; }
    static int sizelimit() { return sizelimit_; }

    const TnString& outputfile() const { return outputfile_; }
    int logcount() const { return logcount_; }

    // The substitute hardware address of a peer that sent none: EE:EE: and its IPv4 octets.
    static TnString substitutemac(const TnAddress& peer);

private:
    int exitUnlessActive(int result);
    // Closes a served connection; true when the size limit ends the loop.
    static bool finish(TnConnection* connection);

    TnString outputfile_;
    int logcount_ = 0;
    static int sizelimit_;
};

// Orders files newest first by modification time: 1 when b is newer than a, -1 when older.
int tn_daemon_filecmp(const TnString* a, const TnString* b);

#endif
