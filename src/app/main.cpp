#include <QCommandLineParser>
#include <QCoreApplication>

#include "app/VNDServer.h"
#include "app/util.h"

int main(int argc, char** argv) {
    // Constructing the server opens the ports and logs the start, whatever the arguments.
    VNDServer server;
    if (argc < 2) return server.eventloop(-1);

    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("vnd");
    QCoreApplication::setApplicationVersion("1.0.0");
    QCommandLineParser parser;
    util::configureCommandLineParser(parser);
    parser.process(application);
    return 0;
}
