#include "core/TnTime.h"

#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "config/TnDefaults.h"
#include "diag/TnDebug.h"
#include "protocol/TnClient.h"
#include "protocol/TnFile.h"
#include "protocol/TnMessage.h"

namespace {

// The process-wide clock correction.
struct Offset {
    int seconds = 0;
    bool initialised = false;
    bool reference = false;
};
Offset& offset() {
    static Offset o;
    return o;
}

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kDays[7] = {"Sun", "Mon", "Tues", "Wed", "Thurs", "Fri", "Sat"};

bool localTime(int unixSeconds, struct tm& out) {
    time_t t = unixSeconds;
    return localtime_r(&t, &out) != nullptr;
}

// Offsets come from a shared file and from other hosts: sums are made wide and kept in range.
int clamped(long long v) { return static_cast<int>(v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v); }

// An offset is a few digits; anything longer in the shared temporary directory is not ours.
constexpr int kMaxOffsetBytes = 64;

}  // namespace

TnString TnTime::offsetfile() { return tn_default_string(304) + "/time_" + TnClient::currentuser() + ".tmp"; }

void TnTime::setToLocalClock() { value_ = static_cast<int>(time(nullptr)) - kEpoch; }

void TnTime::setToNow() {
    Offset& o = offset();
    if (!o.initialised && !o.reference) {
        TnString path = offsetfile(), text;
        long long size = TnFile::size(path);
        if (size >= 0 && size <= kMaxOffsetBytes) TnFile::load(path, text);
        o.seconds = text.integervalue();
        o.initialised = true;
    }
    setToLocalClock();
    value_ = clamped(static_cast<long long>(value_) + o.seconds);
}

void TnTime::syncToServer() { syncToServer(TnString()); }

void TnTime::syncToServer(const TnString& supervisor) {
    Offset& o = offset();
    o.seconds = 0;
    o.initialised = true;
    if (o.reference) return;
    TnClient client;
    if (!supervisor.empty()) client.setSupervisor(supervisor);
    TnMessage request(TnClient::kTimeRequest), reply;
    TnTime t0, t1;
    t0.setToLocalClock();
    if (!client.converseSupervisor(request, reply)) {
        tn_debug_line(TnDebug::kError, "ERROR: couldn't obtain time from supervisor.");
        return;
    }
    t1.setToLocalClock();
    const TnTime* ts = dynamic_cast<const TnTime*>(reply.content());
    if (!ts || ts->type() != reply.contenttype()) return;
    // Half the round trip is the best guess of how old the answer is when it arrives.
    o.seconds = clamped((t1.value() - t0.value()) / 2 + static_cast<long long>(ts->value()) - t0.value());
    TnFile::replace(offsetfile(), TnString(o.seconds));
}

void TnTime::syncToDatabase(const TnTime& t) {
    if (offset().reference) return;
    TnTime now;
    now.setToNow();
    offset().seconds = clamped(static_cast<long long>(t.value()) - now.value());
    offset().initialised = true;
}

void TnTime::setAsReference() {
    offset().seconds = 0;
    offset().initialised = true;
    offset().reference = true;
}

int TnTime::diff() { return offset().seconds; }

TnString TnTime::ascii() const {
    if (value_ == 0) return "None";
    struct tm t;
    if (!localTime(unixvalue(), t)) return "";
    char buf[64];
    snprintf(buf, sizeof buf, "%s %d, %d %d:%02d:%02d", kMonths[t.tm_mon], t.tm_mday, t.tm_year + 1900, t.tm_hour,
             t.tm_min, t.tm_sec);
    return buf;
}

void TnTime::ascii(const TnString& text) { parse(text, false); }

void TnTime::ascii_utc(const TnString& text) { parse(text, true); }

void TnTime::parse(const TnString& text, bool utc) {
    TnStringList tokens;
    tn_time_tokenize(text, tokens);
    if (tokens.length() < 4) return;
    if (*tokens.get(2) != TnString(",")) return;
    struct tm t;
    memset(&t, 0, sizeof t);
    for (int m = 0; m < 12; ++m)
        if (*tokens.get(0) == TnString(kMonths[m])) t.tm_mon = m;
    auto number = [&tokens](int i) { return tokens.get(i) ? tokens.get(i)->integervalue() : 0; };
    t.tm_mday = number(1);
    t.tm_year = number(3) - 1900;
    t.tm_hour = number(4);
    t.tm_min = number(6);
    t.tm_sec = number(8);
    t.tm_isdst = 0;
    time_t unix = utc ? timegm(&t) : mktime(&t);
    unixvalue(static_cast<int>(unix));
}

int TnTime::hour() const {
    struct tm t;
    return localTime(unixvalue(), t) ? t.tm_hour : 0;
}

TnString TnTime::day() const {
    struct tm t;
    if (!localTime(unixvalue(), t)) return "";
    return kDays[t.tm_wday];
}

TnString TnTime::counter() const {
    int v = value_;
    TnString out;
    if (v < 120) {
        out += v;
        out += " s";
    } else if (v < 7200) {
        out += v / 60;
        out += ".";
        out += (v % 60) / 6;
        out += " m";
    } else {
        out += v / 3600;
        out += ".";
        out += (v % 3600) / 360;
        out += " h";
    }
    return out;
}

void TnTime::sleep_seconds(int n) {
    if (n > 0) sleep(static_cast<unsigned>(n));
}

void TnTime::sleep_milliseconds(int n) {
    if (n > 0) usleep(static_cast<useconds_t>(n));
}

std::ostream& operator<<(std::ostream& os, const TnTime& t) { return os << t.ascii(); }

TnDebug& operator<<(TnDebug& d, const TnTime& t) { return d << t.ascii(); }

void tn_time_tokenize(const TnString& text, TnStringList& out) {
    TnString word;
    auto flush = [&]() {
        if (word.length() > 0) out.push(new TnString(word));
        word.clear();
    };
    for (int i = 0; i < text.length(); ++i) {
        char c = text.get(i);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            flush();
        } else if (c == ',' || c == ':') {
            flush();
            out.push(new TnString(TnString("") + c));
        } else {
            word.append(c);
        }
    }
    flush();
}
