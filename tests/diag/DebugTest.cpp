#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <string>

#include "diag/TnDebug.h"
#include "support/Support.h"

namespace {

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

TnString tfile(const support::TempDir& dir, const char* name) { return dir.file(name).c_str(); }

std::string slurp(const TnString& path) { return support::readFile(path.value()); }

struct tm date(int year, int month, int day, int hour = 12, int min = 0, int sec = 0) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    t.tm_isdst = -1;
    mktime(&t);  // fills in the day of the year
    return t;
}

void line(TnDebug& d, const char* text) {
    d.lock();
    d << text << '\n';
    d.unlock();
}

}  // namespace

TEST(DebugText, WeeklyNameAndMark) {
    const struct {
        int y, m, d;
        const char* suffix;
    } weeks[] = {{2026, 1, 1, ".0"},    {2026, 1, 7, ".0"},    {2026, 1, 8, ".1"},  {2024, 12, 23, ".51"},
                 {2024, 12, 30, ".52"}, {2024, 12, 31, ".52"}, {2025, 12, 31, ".52"}};
    for (const auto& w : weeks)
        EXPECT_EQ(str(TnDebug::weeklyname("/l/dbg", date(w.y, w.m, w.d))), std::string("/l/dbg") + w.suffix) << w.m;
    struct tm odd = {};
    odd.tm_yday = 400;
    EXPECT_EQ(str(TnDebug::weeklyname("b", odd)), "b.52");

    EXPECT_EQ(str(TnDebug::marktext(date(2026, 3, 7, 9, 5, 2), "node7", 4242)), "[Mar 7, 2026 9:05:02] node7[4242]: ");
    EXPECT_EQ(str(TnDebug::marktext(date(2025, 12, 31, 23, 59, 9), "", 1)), "[Dec 31, 2025 23:59:09] [1]: ");
    EXPECT_EQ(str(TnDebug::marktext(date(2030, 1, 10, 0, 0, 0), "h", 7)), "[Jan 10, 2030 0:00:00] h[7]: ");
}

TEST(DebugOutput, SingleFile) {
    support::TempDir dir;
    TnString path = tfile(dir, "debug.log");
    std::ofstream(path.value()) << "earlier\n";
    TnDebug d;
    d.filename(path);
    line(d, "first");
    d.lock();
    d << TnString("s") << ' ' << -9000000000LL << ' ' << 4294967295u << ' ' << -7 << ' ' << 1.5f << ' '
      << static_cast<const char*>(nullptr) << TnString("n\0l", 3) << '\n';
    d.unlock();
    EXPECT_EQ(slurp(path), std::string("earlier\nfirst\ns -9000000000 4294967295 -7 1.5 n\0l\n", 50));

    // unlock() closed the file: the next line opens it afresh.
    ASSERT_EQ(unlink(path.value()), 0);
    d.lock();
    d.mark() << "again\n";
    d.unlock();
    char host[1024] = {};
    gethostname(host, sizeof host - 1);
    std::string text = slurp(path), tail = std::string("] ") + host + "[" + std::to_string(getpid()) + "]: again\n";
    EXPECT_EQ(text.substr(0, 1), "[");
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    // A file that cannot be opened loses the line; it never lands on standard output.
    d.filename(tfile(dir, "missing/debug.log"));
    testing::internal::CaptureStdout();
    line(d, "lost");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(DebugOutput, WeeklyFile) {
    support::TempDir dir;
    TnString base = tfile(dir, "weekly");
    TnDebug d;
    d.mode(1);
    d.filename(base);
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    line(d, "one");
    line(d, "two");
    TnString want = TnDebug::weeklyname(base, local);
    if (d.path() != want) GTEST_SKIP() << "the week turned during the test";
    EXPECT_EQ(slurp(want), "one\ntwo\n");
    EXPECT_NE(access(base.value(), F_OK), 0);
}

TEST(DebugOutput, StandardOutput) {
    support::TempDir dir;
    TnDebug none, other, empty;
    other.mode(2);  // any mode but 0 and 1 ignores the name
    other.filename(tfile(dir, "unused"));
    empty.mode(1);
    empty.filename("");
    testing::internal::CaptureStdout();
    line(none, "none");
    line(other, "other");
    line(empty, "empty");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "none\nother\nempty\n");
    EXPECT_NE(access(tfile(dir, "unused").value(), F_OK), 0);
}

TEST(DebugGlobal, ObjectVerbosityAndLogfiles) {
    EXPECT_EQ(static_cast<unsigned>(tn_debug_verb()), 0xFFFFEFFFu);
    EXPECT_FALSE(tn_debug_on(TnDebug::kDebug));
    EXPECT_TRUE(tn_debug_on(TnDebug::kError) && tn_debug_on(TnDebug::kWarning) && tn_debug_on(TnDebug::kInfo));
    int saved = tn_debug_verb();
    tn_debug_verbosity(TnDebug::kDebug);
    EXPECT_TRUE(tn_debug_on(TnDebug::kDebug));
    EXPECT_FALSE(tn_debug_on(TnDebug::kError));
    tn_debug_verbosity(saved);

    support::TempDir dir;
    tn_debug_filename(tfile(dir, "global.log"), 0);
    line(tn_debug_obj(), "global");
    EXPECT_EQ(slurp(tfile(dir, "global.log")), "global\n");
    tn_debug_filename("", 7);
    EXPECT_EQ(tn_debug_obj().mode(), 7);
    EXPECT_TRUE(tn_debug_obj().filename().empty());

    std::string base = dir.path() + "/log";
    for (const char* suffix : {".52", ".0", ".10", ".9", ".53", ".-1", ".x", "", ".01"})
        std::ofstream(base + suffix) << "x";
    ASSERT_EQ(mkdir((base + ".3").c_str(), 0700), 0);
    TnStringList list;
    list.push(new TnString("kept"));
    tn_debug_logfiles(base.c_str(), list);
    EXPECT_EQ(str(list.join("|")), "kept|" + base + ".0|" + base + ".9|" + base + ".10|" + base + ".52");
}
