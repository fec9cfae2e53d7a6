#ifndef TN_APP_UTIL_H
#define TN_APP_UTIL_H

#include <QCommandLineParser>
#include <QDate>
#include <QString>
#include <QTime>

// The application log of vnd: one dated line per event, appended to a small text file.
namespace util {

// "[Y-M-D h:m:s]" from the local clock, every number without padding.
QString buildDateString();
// The same stamp for a given date and time.
QString buildDateString(const QDate& date, const QTime& time);

// Appends "stamp message\n" to the file (and to the debug-message output); failures are silent.
void log(const QString& message, const QString& logFilePath);

// Gives the parser its description and the standard help and version options.
void configureCommandLineParser(QCommandLineParser& parser);

}  // namespace util

#endif
