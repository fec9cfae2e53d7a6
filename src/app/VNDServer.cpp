#include "app/VNDServer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include "app/util.h"

VNDServer::VNDServer() {
    logFileName_ = QString();
    maxthreads(kMaxThreads);
    addport(0, kPort, 2);
    openport(kPort);
    logFileName_ = chooseLogFile(QSysInfo::kernelType(), "/var/log/vndlog",
                                 QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    qDebug().noquote() << "Log file is" << logFileName_;
    util::log("VND Starting...", logFileName_);
}

VNDServer::~VNDServer() = default;

QString VNDServer::chooseLogFile(const QString& kernelType, const QString& candidate, const QString& home) {
    if (kernelType != "darwin" && kernelType != "linux") return "C:/ProgramData/Kwo/Tarn/logs/vndlog";
    QFileInfo file(candidate);
    QFileInfo dir(file.absolutePath());
    bool usable = dir.isDir() && dir.isWritable() && (!file.exists() || file.isWritable());
    return usable ? candidate : home + "/vndlog";
}

void VNDServer::eventhandler(int, TnMessage&, TnConnection&) {}

// Every serving process gets its own application object, once; output stays where it is.
void VNDServer::startthread() {
    static int argc = 0;
    static QCoreApplication application(argc, nullptr);
    (void)application;
}
