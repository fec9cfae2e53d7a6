#ifndef TN_CORE_TNTIME_H
#define TN_CORE_TNTIME_H

#include <iosfwd>

#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

class TnDebug;

// A farm time stamp: whole seconds since the farm epoch, 946702800 Unix seconds
// (2000-01-01 05:00:00 UTC); 0 means "not set". The process keeps an offset to the
// supervisor's clock, learnt by asking it and shared between one user's processes through a
// small file in the temporary directory, so that stamps from different hosts agree.
class TnTime : public TnRecord<TnTime> {
public:
    static constexpr int kTypeCode = 33;
    static constexpr const char* kTypeXML = "time";
    static void fields(TnFieldTable<TnTime>& t) { t.field(1, "value", &TnTime::value_); }

    static constexpr int kEpoch = 946702800;

    TnTime() { resetFields(); }
    explicit TnTime(int value) : value_(value) {}
    // With epoch 0, v is farm seconds; with any other epoch, Unix seconds.
    TnTime(int v, int epoch) : value_(epoch == 0 ? v : v - kEpoch) {}

    int value() const { return value_; }
    void value(int v) { value_ = v; }
    int unixvalue() const { return value_ + kEpoch; }
    void unixvalue(int v) { value_ = v - kEpoch; }

    // The local clock, uncorrected.
    void setToLocalClock();
    // The local clock plus the offset to the supervisor's clock (read from the offset file the
    // first time a process asks).
    void setToNow();

    // Asks the supervisor (the default one, respectively the one named) for its clock and
    // keeps the difference, half the round trip included, as the offset, also in the offset
    // file. A failed conversation leaves the offset 0.
    static void syncToServer();
    static void syncToServer(const TnString& supervisor);
    // The offset becomes t minus now, unless this process is the reference clock.
    static void syncToDatabase(const TnTime& t);
    // This process's clock is the farm's reference: offset 0 for good.
    static void setAsReference();
    static int diff();

    // "Jan 5, 2024 9:03:07" in local time; "None" for 0.
    TnString ascii() const;
    // Parses the text form as local time, respectively UTC; malformed text leaves the value.
    void ascii(const TnString& text);
    void ascii_utc(const TnString& text);

    int hour() const;
    // "Sun", "Mon", "Tues", "Wed", "Thurs", "Fri" or "Sat".
    TnString day() const;
    // The value as a duration: "119 s", "2.5 m", "2.0 h".
    TnString counter() const;

    static void sleep_seconds(int n);
    // Passes n straight to the microsecond pause: 1 pauses about one microsecond.
    static void sleep_milliseconds(int n);

    // Where the shared offset lives: the temporary directory, "/time_", the user, ".tmp".
    static TnString offsetfile();

private:
    void parse(const TnString& text, bool utc);

    int value_;
};

std::ostream& operator<<(std::ostream& os, const TnTime& t);
TnDebug& operator<<(TnDebug& d, const TnTime& t);

// Splits a date text: blanks separate, "," and ":" are tokens of their own.
void tn_time_tokenize(const TnString& text, TnStringList& out);

#endif
