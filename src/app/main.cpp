#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#include "app/util.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "ERROR: serving is not available in this build; try --help.\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vnd");
    QCoreApplication::setApplicationVersion("1.0.0");
    QCommandLineParser parser;
    util::configureCommandLineParser(parser);
    parser.process(app);
    return 0;
}
