#ifndef TN_CORE_TNENV_H
#define TN_CORE_TNENV_H

#include "core/TnString.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

// A snapshot of a process environment that travels with a job: the variables (names and
// values in two parallel lists, in the order they were read), the umask, the working
// directory and the drive mounts (mount point to "user:password@share", "user@share" or
// "share"). Nothing here touches the process unless a method says so in its name (the ...Env ones).
class TnEnv : public TnRecord<TnEnv> {
public:
    static constexpr int kTypeCode = 49;
    static constexpr const char* kTypeXML = "env";
    static void fields(TnFieldTable<TnEnv>& t) {
        t.field(1, "names", &TnEnv::names_);
        t.field(2, "values", &TnEnv::values_);
        t.field(3, "umask", &TnEnv::umask_);
        t.field(4, "cwd", &TnEnv::cwd_);
        t.field(5, "mounts", &TnEnv::mounts_);
    }

    TnEnv() { resetFields(); }
    TnEnv(const TnEnv& other) : TnRecord<TnEnv>(other) { copy(other); }
    TnEnv& operator=(const TnEnv& other) {
        copy(other);
        return *this;
    }

    // Replaces the variables with the process environment and reads umask and working
    // directory from the process.
    void setToEnv();
    // Sets one variable in the process and here; 1 on success, 0 when the process refused
    // it (empty name, "=" or NUL in the name, NUL in the value).
    int setToEnv(const TnString& name, const TnString& value);
    // Applies every variable held here to the process environment; the number applied.
    int setEnv() const;
    // The process's value of name, or an empty text.
    static TnString valueEnv(const TnString& name);
    // Sets every variable of other here.
    void modify(const TnEnv& other);

    void set(const TnString& name, const TnString& value);
    TnString value(const TnString& name) const;
    bool exists(const TnString& name) const;
    void clear();
    const TnStringList& keys() const { return names_; }
    const TnStringList& values() const { return values_; }

    const TnString& cwd() const { return cwd_; }
    void set_cwd(const TnString& dir) { cwd_ = dir; }
    int mask() const { return umask_; }
    void set_mask(int mask) { umask_ = mask; }

    void mount(const TnString& point, const TnString& description);
    TnString mount(const TnString& point) const;
    int mount(const TnString& point, TnString& user, TnString& password, TnString& share) const;
    // Copies of the mount points, sorted.
    void mounts(TnStringList& list) const;
    int mountcount() const { return mounts_.length(); }
    void mountclear() { mounts_.clear(); }
    // Reads lines "point|description[|anything]"; lines without a point or "|" are skipped.
    void mountmap(const TnString& text);

    // The text form; revert adds what it reads to what is held.
    TnString convert() const;
    void revert(const TnString& text);

    // Splits a mount description into its parts.
    static void splitMount(const TnString& description, TnString& user, TnString& password, TnString& share);

private:
    int _find(const TnString& name) const;
    void _append(const TnString& name, const TnString& value);

    TnStringList names_;
    TnStringList values_;
    int umask_;
    TnString cwd_;
    TnStringHash mounts_;
};

#endif
