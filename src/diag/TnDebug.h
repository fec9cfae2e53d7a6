#ifndef TN_DIAG_TNDEBUG_H
#define TN_DIAG_TNDEBUG_H

#include <iosfwd>

#include "core/TnString.h"
#include "core/TnStringList.h"

struct tm;

// The process's debug log. Callers test a bit of tn_debug_verb(), then write one line
// between lock() and unlock():
//
//   if (tn_debug_on(TnDebug::kError)) {
//       TnDebug& d = tn_debug_obj();
//       d.lock();
//       d.mark() << "ERROR: cannot bind port " << port << '\n';
//       d.unlock();
//   }
//
// The first write after unlock() opens the file and unlock() closes it again, so the forked
// serving processes can all append to one file without sharing a stream. lock() takes no
// lock: lines of different processes may interleave.
//
// Mode 0 writes to the file name itself, mode 1 to the file name followed by "." and the
// week of the year (0 to 52); any other mode, or no file name, writes to standard output.
class TnDebug {
public:
    // Bits of the verbosity word.
    static constexpr int kDebug = 0x1000;
    static constexpr int kError = 0x2000;
    static constexpr int kWarning = 0x4000;
    static constexpr int kInfo = 0x100000;

    TnDebug() = default;
    TnDebug(const TnDebug&) = delete;
    TnDebug& operator=(const TnDebug&) = delete;
    virtual ~TnDebug();

    void mode(int m) { mode_ = m; }
    int mode() const { return mode_; }
    void filename(const TnString& name) { filename_ = name; }
    // Empty when no file is set.
    const TnString& filename() const { return filename_; }

    void lock() {}
    void unlock();

    // Writes "[Mon D, YYYY H:MM:SS] host[pid]: " for the current local time.
    TnDebug& mark();

    TnDebug& operator<<(const TnString& s);
    TnDebug& operator<<(long long v);
    TnDebug& operator<<(unsigned int v);
    TnDebug& operator<<(int v);
    TnDebug& operator<<(float v);
    TnDebug& operator<<(const char* s);
    TnDebug& operator<<(char c);

    // The file a line written now would go to; empty for standard output.
    TnString path() const;

    // The weekly file of `base` for the given local date: base + "." + day of year / 7.
    static TnString weeklyname(const TnString& base, const struct tm& when);
    // The line prefix for the given local time, host name and process id.
    static TnString marktext(const struct tm& when, const TnString& host, int pid);

private:
    std::ostream& _out();
    TnString _path(const struct tm* now) const;

    TnString filename_;
    int mode_ = 0;
    std::ofstream* ofs_ = nullptr;  // the open debug file, until unlock()
    bool wroteStdout_ = false;
};

TnDebug& tn_debug_obj();
int tn_debug_verb();
void tn_debug_verbosity(int word);
// True when `bit` is set in the verbosity word.
bool tn_debug_on(int bit);
// The whole calling pattern for a one-piece line: when `bit` is set, writes the mark (when
// asked), the text and a line feed between lock() and unlock().
void tn_debug_line(int bit, const TnString& text, bool mark = false);
// Sets the process's debug object to `mode`, then to `file`.
void tn_debug_filename(const TnString& file, int mode);
// Appends the existing weekly files of `base` (base.0 to base.52), lowest number first.
void tn_debug_logfiles(const TnString& base, TnStringList& list);

#endif
