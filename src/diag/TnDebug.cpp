#include "diag/TnDebug.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <new>

namespace {

// Every bit but debug.
int _tn_debug_verbosity = static_cast<int>(0xFFFFEFFFu);

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Where a line goes when its file cannot be had: nowhere. A line never falls back to
// standard output, which the daemon may have pointed at somebody else's file.
std::ostream& sink() {
    static std::ostream s(nullptr);
    return s;
}

bool localnow(struct tm& out) {
    time_t now = time(nullptr);
    return now != static_cast<time_t>(-1) && localtime_r(&now, &out) != nullptr;
}

}  // namespace

TnDebug::~TnDebug() { unlock(); }

void TnDebug::unlock() {
    if (ofs_) {
        delete ofs_;  // closes
        ofs_ = nullptr;
    }
    // Flushed per line so that a fork never inherits half a line to write twice.
    if (wroteStdout_) {
        std::cout.flush();
        wroteStdout_ = false;
    }
}

TnString TnDebug::weeklyname(const TnString& base, const struct tm& when) {
    int yday = when.tm_yday;
    if (yday < 0) yday = 0;
    if (yday > 365) yday = 365;
    return base + "." + TnString(yday / 7);
}

TnString TnDebug::marktext(const struct tm& when, const TnString& host, int pid) {
    char buf[96];
    const char* month = when.tm_mon >= 0 && when.tm_mon < 12 ? kMonths[when.tm_mon] : "???";
    snprintf(buf, sizeof buf, "[%s %d, %d %d:%02d:%02d] ", month, when.tm_mday, when.tm_year + 1900, when.tm_hour,
             when.tm_min, when.tm_sec);
    TnString out(buf);
    out += host;
    out += "[";
    out += pid;
    out += "]: ";
    return out;
}

TnString TnDebug::_path(const struct tm* now) const {
    if (filename_.empty()) return TnString("");
    if (mode_ == 0) return filename_;
    if (mode_ == 1 && now) return weeklyname(filename_, *now);
    return TnString("");
}

TnString TnDebug::path() const {
    if (mode_ != 1) return _path(nullptr);
    struct tm now;
    return localnow(now) ? _path(&now) : TnString("");
}

std::ostream& TnDebug::_out() {
    if (ofs_) return *ofs_;
    if ((mode_ != 0 && mode_ != 1) || filename_.empty()) {
        wroteStdout_ = true;
        return std::cout;
    }
    struct tm now;
    if (mode_ == 1 && !localnow(now)) return sink();
    TnString file = _path(&now);
    // A file that does not open stays as a failed stream until unlock(): the rest of the
    // line is dropped with it.
    ofs_ = new (std::nothrow) std::ofstream(file.value(), std::ios::out | std::ios::app);
    return ofs_ ? *ofs_ : sink();
}

TnDebug& TnDebug::mark() {
    struct tm now;
    if (!localnow(now)) return *this;
    char host[1024];
    if (gethostname(host, sizeof host - 1) != 0) host[0] = 0;
    host[sizeof host - 1] = 0;
    TnString text = marktext(now, TnString(host), static_cast<int>(getpid()));
    return *this << text;
}

TnDebug& TnDebug::operator<<(const TnString& s) {
    _out().write(s.value(), s.length());
    return *this;
}

TnDebug& TnDebug::operator<<(long long v) {
    _out() << v;
    return *this;
}

TnDebug& TnDebug::operator<<(unsigned int v) {
    _out() << v;
    return *this;
}

TnDebug& TnDebug::operator<<(int v) {
    _out() << v;
    return *this;
}

TnDebug& TnDebug::operator<<(float v) {
    _out() << v;
    return *this;
}

TnDebug& TnDebug::operator<<(const char* s) {
    std::ostream& os = _out();
    if (s) os << s;
    return *this;
}

TnDebug& TnDebug::operator<<(char c) {
    _out() << c;
    return *this;
}

// Made on first use, so that code running before main() finds it constructed; the
// reference below makes sure that first use happens before main() at the latest.
TnDebug& tn_debug_obj() {
    static TnDebug obj;
    return obj;
}

TnDebug& _tn_debug_global_obj = tn_debug_obj();

int tn_debug_verb() { return _tn_debug_verbosity; }

void tn_debug_verbosity(int word) { _tn_debug_verbosity = word; }

bool tn_debug_on(int bit) { return (_tn_debug_verbosity & bit) != 0; }

void tn_debug_line(int bit, const TnString& text, bool mark) {
    if (!tn_debug_on(bit)) return;
    TnDebug& d = tn_debug_obj();
    d.lock();
    if (mark) d.mark();
    d << text << '\n';
    d.unlock();
}

void tn_debug_filename(const TnString& file, int mode) {
    TnDebug& d = tn_debug_obj();
    d.mode(mode);
    d.filename(file);
}

void tn_debug_logfiles(const TnString& base, TnStringList& list) {
    for (int week = 0; week <= 52; ++week) {
        TnString name = base + "." + TnString(week);
        struct stat st;
        if (stat(name.value(), &st) == 0 && S_ISREG(st.st_mode)) list.push(new TnString(name));
    }
}
