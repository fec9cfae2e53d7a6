#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/TnTime.h"

namespace {

// Runs a test body in a fixed time zone and puts the old one back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        const char* old = getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (had_)
            setenv("TZ", old_.value(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool had_ = false;
    TnString old_;
};

}  // namespace

TEST(Time, EpochsAndText) {
    ZoneGuard utc("UTC");
    TnTime t;
    EXPECT_EQ(t.ascii(), TnString("None"));
    t.unixvalue(TnTime::kEpoch);
    EXPECT_EQ(t.value(), 0);
    TnTime u(TnTime::kEpoch + 60, 1);
    EXPECT_EQ(u.value(), 60);
    EXPECT_EQ(u.ascii(), TnString("Jan 1, 2000 5:01:00"));  // the farm epoch is 05:00 UTC
    EXPECT_EQ(u.day(), TnString("Sat"));
    TnTime jan5;
    jan5.ascii_utc("Jan 5, 2024 9:03:07");
    EXPECT_EQ(jan5.ascii(), TnString("Jan 5, 2024 9:03:07"));
    EXPECT_EQ(jan5.hour(), 9);
    EXPECT_EQ(jan5.day(), TnString("Fri"));
}

TEST(Time, ParsingRules) {
    ZoneGuard zone("EST5EDT");
    TnTime now;
    now.setToLocalClock();
    TnTime back;
    back.ascii(now.ascii());
    EXPECT_EQ(back.value(), now.value());

    TnTime feb;
    feb.ascii("Feb 30, 2024");
    EXPECT_EQ(feb.ascii(), TnString("Mar 1, 2024 0:00:00"));  // normalised by the calendar

    TnTime kept(12345);
    kept.ascii("Feb 3 2024 10:00");  // no comma
    EXPECT_EQ(kept.value(), 12345);
    kept.ascii("Feb 3,");  // three tokens
    EXPECT_EQ(kept.value(), 12345);
    kept.ascii("Bogus 3, 2024 1:02:03");  // an unknown month reads as January
    EXPECT_EQ(kept.ascii(), TnString("Jan 3, 2024 1:02:03"));
}

TEST(Time, Durations) {
    struct {
        int seconds;
        const char* text;
    } cases[] = {{0, "0 s"}, {119, "119 s"}, {120, "2.0 m"}, {150, "2.5 m"}, {5400, "90.0 m"},
                 {7199, "119.9 m"}, {7200, "2.0 h"}, {9000, "2.5 h"}};
    for (const auto& c : cases) EXPECT_EQ(TnTime(c.seconds).counter(), TnString(c.text)) << c.seconds;
}

TEST(Time, Tokenizer) {
    TnStringList tokens;
    tn_time_tokenize(" Jan 5,2024\t9:03:07 ", tokens);
    EXPECT_EQ(tokens.join("|"), TnString("Jan|5|,|2024|9|:|03|:|07"));
}

TEST(Time, ReferenceClockKeepsZeroOffset) {
    TnTime::setAsReference();
    TnTime future(TnTime(0).value() + 1000000000);
    TnTime::syncToDatabase(future);
    EXPECT_EQ(TnTime::diff(), 0);
}
