#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "diag/TnDebug.h"

namespace {

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

// A fresh directory under the temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir() {
        const char* base = getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/tn_diag_XXXXXX";
        char* made = mkdtemp(&templ[0]);
        if (made) path_ = made;
    }
    ~TempDir() {
        if (!path_.empty()) (void)!system(("rm -rf '" + path_ + "'").c_str());
    }
    bool ok() const { return !path_.empty(); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void touch(const std::string& path) { std::ofstream(path) << "x"; }

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

TEST(DebugWeek, FileNumberFollowsTheDayOfTheYear) {
    TnString base("/logs/debug");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2026, 1, 1))), "/logs/debug.0");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2026, 1, 7))), "/logs/debug.0");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2026, 1, 8))), "/logs/debug.1");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2025, 12, 31))), "/logs/debug.52");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2024, 12, 30))), "/logs/debug.52");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2024, 12, 31))), "/logs/debug.52");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2024, 12, 23))), "/logs/debug.51");
    EXPECT_EQ(str(TnDebug::weeklyname(base, date(2025, 1, 1))), "/logs/debug.0");
    // Out-of-range days (a hand-made struct tm) stay within the 53 files.
    struct tm odd = {};
    odd.tm_yday = 400;
    EXPECT_EQ(str(TnDebug::weeklyname(base, odd)), "/logs/debug.52");
    odd.tm_yday = -3;
    EXPECT_EQ(str(TnDebug::weeklyname(base, odd)), "/logs/debug.0");
}

TEST(DebugMark, Format) {
    EXPECT_EQ(str(TnDebug::marktext(date(2026, 3, 7, 9, 5, 2), "node7", 4242)), "[Mar 7, 2026 9:05:02] node7[4242]: ");
    EXPECT_EQ(str(TnDebug::marktext(date(2025, 12, 31, 23, 59, 9), "a.b", 1)), "[Dec 31, 2025 23:59:09] a.b[1]: ");
    EXPECT_EQ(str(TnDebug::marktext(date(2030, 1, 10, 0, 0, 0), "", 7)), "[Jan 10, 2030 0:00:00] [7]: ");

    TempDir dir;
    ASSERT_TRUE(dir.ok());
    TnDebug d;
    d.filename(dir.file("mark").c_str());
    d.lock();
    d.mark() << "hello" << '\n';
    d.unlock();
    char host[1024] = {};
    gethostname(host, sizeof host - 1);
    std::string text = slurp(dir.file("mark"));
    std::regex want(R"(^\[(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [1-9][0-9]?, [0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}\] )");
    EXPECT_TRUE(std::regex_search(text, want)) << text;
    std::string tail = std::string("] ") + host + "[" + std::to_string(getpid()) + "]: hello\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(DebugOutput, SingleFileAppendsLineByLine) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.file("debug.log");
    std::ofstream(path) << "earlier\n";
    TnDebug d;
    d.mode(0);
    d.filename(path.c_str());
    EXPECT_EQ(str(d.path()), path);
    line(d, "first");
    d.lock();
    d << TnString("s") << ' ' << -9000000000LL << ' ' << 4294967295u << ' ' << -7 << ' ' << 1.5f << ' '
      << static_cast<const char*>(nullptr) << TnString("n\0ul", 4) << '\n';
    d.unlock();
    EXPECT_EQ(slurp(path), std::string("earlier\nfirst\ns -9000000000 4294967295 -7 1.5 n\0ul\n", 51));

    // unlock() closed the file: the next line opens it again, even under a new name.
    ASSERT_EQ(unlink(path.c_str()), 0);
    line(d, "again");
    EXPECT_EQ(slurp(path), "again\n");
    d.filename(dir.file("other.log").c_str());
    line(d, "moved");
    EXPECT_EQ(slurp(dir.file("other.log")), "moved\n");
    EXPECT_EQ(slurp(path), "again\n");
}

TEST(DebugOutput, WeeklyFile) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string base = dir.file("weekly");
    TnDebug d;
    d.mode(1);
    d.filename(base.c_str());
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    std::string want = str(TnDebug::weeklyname(base.c_str(), local));
    line(d, "one");
    line(d, "two");
    std::string got = str(d.path());
    if (got != want) GTEST_SKIP() << "the week turned during the test";
    EXPECT_EQ(slurp(want), "one\ntwo\n");
    EXPECT_FALSE(exists(base));
}

TEST(DebugOutput, StandardOutputWithoutAFile) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    TnDebug none;
    EXPECT_EQ(str(none.path()), "");
    testing::internal::CaptureStdout();
    line(none, "to stdout");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout\n");

    // Any mode but 0 and 1 ignores the file name.
    TnDebug other;
    other.mode(2);
    other.filename(dir.file("unused").c_str());
    EXPECT_EQ(str(other.path()), "");
    testing::internal::CaptureStdout();
    line(other, "mode two");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "mode two\n");
    EXPECT_FALSE(exists(dir.file("unused")));

    // An empty name is no name, in either file mode.
    TnDebug empty;
    empty.mode(1);
    empty.filename("");
    testing::internal::CaptureStdout();
    line(empty, "empty");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "empty\n");
}

TEST(DebugOutput, UnopenableFileDropsTheLine) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    TnDebug d;
    d.filename(dir.file("missing/debug.log").c_str());
    testing::internal::CaptureStdout();
    line(d, "lost");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    // The next line tries again.
    ASSERT_EQ(mkdir(dir.file("missing").c_str(), 0700), 0);
    line(d, "kept");
    EXPECT_EQ(slurp(dir.file("missing/debug.log")), "kept\n");
}

TEST(DebugGlobal, ObjectAndVerbosity) {
    EXPECT_EQ(&tn_debug_obj(), &tn_debug_obj());
    EXPECT_EQ(static_cast<unsigned>(tn_debug_verb()), 0xFFFFEFFFu);
    EXPECT_FALSE(tn_debug_on(TnDebug::kDebug));
    EXPECT_TRUE(tn_debug_on(TnDebug::kError));
    EXPECT_TRUE(tn_debug_on(TnDebug::kWarning));
    EXPECT_TRUE(tn_debug_on(TnDebug::kInfo));
    int saved = tn_debug_verb();
    tn_debug_verbosity(TnDebug::kDebug | TnDebug::kInfo);
    EXPECT_TRUE(tn_debug_on(TnDebug::kDebug));
    EXPECT_FALSE(tn_debug_on(TnDebug::kError));
    EXPECT_FALSE(tn_debug_on(0));
    tn_debug_verbosity(saved);

    TempDir dir;
    ASSERT_TRUE(dir.ok());
    tn_debug_filename(dir.file("global.log").c_str(), 0);
    EXPECT_EQ(tn_debug_obj().mode(), 0);
    EXPECT_EQ(str(tn_debug_obj().filename()), dir.file("global.log"));
    line(tn_debug_obj(), "global");
    EXPECT_EQ(slurp(dir.file("global.log")), "global\n");
    tn_debug_filename("", 7);
    EXPECT_EQ(tn_debug_obj().mode(), 7);
    EXPECT_EQ(str(tn_debug_obj().filename()), "");
}

TEST(DebugLogfiles, ListsExistingWeeksInOrder) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string base = dir.file("log");
    for (const char* suffix : {".52", ".0", ".10", ".9", ".53", ".-1", ".x", "", ".01", "0"}) touch(base + suffix);
    ASSERT_EQ(mkdir((base + ".3").c_str(), 0700), 0);

    TnStringList list;
    list.push(new TnString("kept"));
    tn_debug_logfiles(base.c_str(), list);
    ASSERT_EQ(list.length(), 5);
    EXPECT_EQ(str(*list.get(0)), "kept");
    EXPECT_EQ(str(*list.get(1)), base + ".0");
    EXPECT_EQ(str(*list.get(2)), base + ".9");
    EXPECT_EQ(str(*list.get(3)), base + ".10");
    EXPECT_EQ(str(*list.get(4)), base + ".52");

    TnStringList none;
    tn_debug_logfiles(dir.file("absent").c_str(), none);
    EXPECT_EQ(none.length(), 0);
}
