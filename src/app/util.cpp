#include "app/util.h"

#include <QDate>
#include <QDebug>
#include <QFile>
#include <QTime>
#include <QtGlobal>

namespace util {

QString buildDateString() {
    QDate date = QDate::currentDate();
    QTime time = QTime::currentTime();
    return buildDateString(date, time);
}

QString buildDateString(const QDate& date, const QTime& time) {
    return QString("[%1-%2-%3 %4:%5:%6]")
        .arg(date.year(), 0, 10)
        .arg(date.month(), 0, 10)
        .arg(date.day(), 0, 10)
        .arg(time.hour(), 0, 10)
        .arg(time.minute(), 0, 10)
        .arg(time.second(), 0, 10);
}

void log(const QString& message, const QString& logFilePath) {
    QString line = QString("%1 %2\n").arg(buildDateString(), message);
    qDebug().noquote() << line.trimmed();
    QFile file(logFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return;
    file.write(line.toUtf8());
    file.close();
}

void configureCommandLineParser(QCommandLineParser& parser) {
    parser.setApplicationDescription("vnd: side daemon of the tarn render farm");
    parser.addHelpOption();
    parser.addVersionOption();
}

}  // namespace util
