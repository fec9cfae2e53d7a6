#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QString>

#include "app/VNDServer.h"
#include "app/util.h"
#include "support/Support.h"

TEST(AppLog, StampHasNoPadding) {
    EXPECT_EQ(util::buildDateString(QDate(2026, 1, 5), QTime(7, 3, 9)), "[2026-1-5 7:3:9]");
    EXPECT_EQ(util::buildDateString(QDate(2026, 3, 7), QTime(9, 5, 2)), "[2026-3-7 9:5:2]");
    EXPECT_EQ(util::buildDateString(QDate(1999, 12, 31), QTime(23, 59, 59)), "[1999-12-31 23:59:59]");
    EXPECT_EQ(util::buildDateString(QDate(2026, 10, 10), QTime(0, 0, 0)), "[2026-10-10 0:0:0]");
    QRegularExpression now("^\\[\\d{4}-[1-9]\\d?-[1-9]\\d? (0|[1-9]\\d?):(0|[1-9]\\d?):(0|[1-9]\\d?)\\]$");
    EXPECT_TRUE(now.match(util::buildDateString()).hasMatch()) << util::buildDateString().toStdString();
}

TEST(AppLog, AppendsOneLinePerCall) {
    support::TempDir dir;
    const QString path = QString::fromStdString(dir.file("vndlog"));
    util::log("VND Starting...", path);
    util::log(QString::fromUtf8("50% of %1 \xc3\xa9t\xc3\xa9"), path);
    util::log("lost", QString::fromStdString(dir.file("missing/vndlog")));  // silently nowhere

    QStringList lines = QString::fromStdString(support::readFile(dir.file("vndlog"))).split('\n');
    ASSERT_EQ(lines.size(), 3) << lines.join('|').toStdString();
    EXPECT_TRUE(lines[2].isEmpty());
    QRegularExpression stamp("^\\[[0-9: -]+\\] ");
    EXPECT_TRUE(stamp.match(lines[0]).hasMatch());
    EXPECT_TRUE(lines[0].endsWith("] VND Starting..."));
    EXPECT_TRUE(lines[1].endsWith(QString::fromUtf8("] 50% of %1 \xc3\xa9t\xc3\xa9"))) << lines[1].toStdString();
}

namespace {

// Whether a user without root's rights (root may write any file) gets `expected`.
bool nobodyGets(const QString& candidate, const QString& expected) {
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        _exit(VNDServer::chooseLogFile("linux", candidate, "/home/x") == expected ? 0 : 1);
    }
    int status = -1;
    return waitpid(child, &status, 0) == child && status == 0;
}

}  // namespace

TEST(AppLogFile, WritableCandidateOrHome) {
    support::TempDir dir;
    const QString base = QString::fromStdString(dir.path());
    const QString candidate = base + "/log/vndlog";
    EXPECT_EQ(VNDServer::chooseLogFile("winnt", candidate, "/home/x"), "C:/ProgramData/Kwo/Tarn/logs/vndlog");
    EXPECT_EQ(VNDServer::chooseLogFile("linux", candidate, "/home/x"), "/home/x/vndlog");  // no such directory

    ASSERT_EQ(mkdir((dir.path() + "/log").c_str(), 0777), 0);
    EXPECT_EQ(VNDServer::chooseLogFile("linux", candidate, "/home/x"), candidate);
    EXPECT_EQ(VNDServer::chooseLogFile("darwin", candidate, "/home/x"), candidate);
    ASSERT_TRUE(support::writeFile(dir.path() + "/log/vndlog", "old\n"));
    EXPECT_EQ(VNDServer::chooseLogFile("linux", candidate, "/home/x"), candidate);

    if (geteuid() != 0) GTEST_SKIP() << "the read-only cases need another user";
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir.path() + "/log").c_str(), 0777), 0);
    ASSERT_EQ(chmod((dir.path() + "/log/vndlog").c_str(), 0666), 0);
    EXPECT_TRUE(nobodyGets(candidate, candidate));
    ASSERT_EQ(chmod((dir.path() + "/log/vndlog").c_str(), 0444), 0);
    EXPECT_TRUE(nobodyGets(candidate, "/home/x/vndlog"));
    ASSERT_EQ(unlink((dir.path() + "/log/vndlog").c_str()), 0);
    ASSERT_EQ(chmod((dir.path() + "/log").c_str(), 0755), 0);
    EXPECT_TRUE(nobodyGets(candidate, "/home/x/vndlog"));
}
