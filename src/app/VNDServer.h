#ifndef TN_APP_VNDSERVER_H
#define TN_APP_VNDSERVER_H

#include <QString>

#include "server/TnPreForkDaemon.h"

// The vnd side daemon: the pre-forking pool on UDP and TCP port 50005 with at most 100
// serving processes, and its own application log. Constructing it opens the ports and writes
// the start-up line; it must happen once per program. It answers no message type.
class VNDServer : public TnPreForkDaemon {
public:
    static constexpr int kPort = 50005;
    static constexpr int kMaxThreads = 100;

    VNDServer();
    ~VNDServer() override;

    void eventhandler(int type, TnMessage& message, TnConnection& connection) override;
    void startthread() override;

    const QString& logFileName() const { return logFileName_; }

    // The log file for this kernel type: /var/log/vndlog when it can be written, else the
    // home directory's vndlog; the fixed Windows place elsewhere.
    static QString chooseLogFile(const QString& kernelType, const QString& candidate, const QString& home);

private:
    QString logFileName_;
};

#endif
